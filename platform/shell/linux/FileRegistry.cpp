#include "platform/shell/linux/FileRegistry.h"

#include <fstream>
#include <sstream>

namespace platform {

namespace {

const char* const kProcessorKey = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
const char* const kProcessorValue = "ProcessorNameString";

std::string sectionName(RegistryRoot root, const std::string& key) {
    return std::string(root == RegistryRoot::CurrentUser ? "CurrentUser\\" : "LocalMachine\\") + key;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::string FileRegistry::processorNameFromCpuInfo(const std::string& cpuinfoText) {
    std::istringstream lines(cpuinfoText);
    std::string line;
    while (std::getline(lines, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        if (trimmed(line.substr(0, colon)) == "model name") return trimmed(line.substr(colon + 1));
    }
    return {};
}

std::map<std::string, std::map<std::string, std::string>> FileRegistry::load() const {
    std::map<std::string, std::map<std::string, std::string>> sections;
    std::ifstream in(valuesFile_);
    std::string line;
    std::string section;
    while (std::getline(in, line)) {
        line = trimmed(line);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            sections[section];
        } else if (const auto eq = line.find('='); eq != std::string::npos && !section.empty()) {
            sections[section][line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return sections;
}

std::optional<std::string> FileRegistry::readString(RegistryRoot root, const std::string& key,
                                                    const std::string& value) {
    if (root == RegistryRoot::LocalMachine && key == kProcessorKey && value == kProcessorValue) {
        std::ifstream in("/proc/cpuinfo");
        std::stringstream text;
        text << in.rdbuf();
        std::string name = processorNameFromCpuInfo(text.str());
        if (name.empty()) return std::nullopt;
        return name;
    }
    const auto sections = load();
    const auto s = sections.find(sectionName(root, key));
    if (s == sections.end()) return std::nullopt;
    const auto v = s->second.find(value);
    if (v == s->second.end()) return std::nullopt;
    return v->second;
}

bool FileRegistry::keyExists(RegistryRoot root, const std::string& key) {
    if (root == RegistryRoot::LocalMachine && key == kProcessorKey) return true;
    return load().count(sectionName(root, key)) != 0;
}

}  // namespace platform
