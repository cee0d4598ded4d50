#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/media/FilterModules.h"
#include "platform/shell/CommandLine.h"
#include "platform/shell/PathMapping.h"
#include "platform/shell/linux/FileRegistry.h"
#include "platform/shell/linux/PosixLauncher.h"
#include "platform/shell/linux/XdgFolders.h"
#include "platform/core/linux/TraceLog.h"

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

namespace platform {
namespace {

// Sets or removes an environment variable for the lifetime of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~ScopedEnvironment() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(XdgFoldersTest, DataHomeAndConfigFollowTheEnvironmentAndTheUsersHome) {
    XdgFolders folders;
    const auto root = std::filesystem::temp_directory_path() / ("talvora-xdg-" + std::to_string(::getpid()));
    {
        ScopedEnvironment home("HOME", root.c_str());
        ScopedEnvironment data("XDG_DATA_HOME", nullptr);
        ScopedEnvironment config("XDG_CONFIG_HOME", "relative/ignored");
        EXPECT_EQ(folders.dataHome(true), (root / ".local/share").string());
        EXPECT_TRUE(std::filesystem::is_directory(root / ".local/share"));
        EXPECT_EQ(folders.roamingAppData(false), (root / ".config").string());
    }
    {
        ScopedEnvironment data("XDG_DATA_HOME", (root / "data").c_str());
        EXPECT_EQ(folders.dataHome(false), (root / "data").string());
    }
    {
        // Without HOME the user's own home folder, not the file system's root.
        ScopedEnvironment home("HOME", nullptr);
        ScopedEnvironment data("XDG_DATA_HOME", nullptr);
        const passwd* user = ::getpwuid(::getuid());
        ASSERT_NE(user, nullptr);
        EXPECT_EQ(folders.dataHome(false), paths::join(user->pw_dir, ".local/share"));
    }
    std::filesystem::remove_all(root);
}

TEST(CommandLineTest, SplitsByTheUsualQuotingRules) {
    using V = std::vector<std::string>;
    const std::pair<const char*, V> cases[] = {
        {" -w Talvora", {"-w", "Talvora"}},
        {" /s \"/opt/my app/Bin/x.ax\"", {"/s", "/opt/my app/Bin/x.ax"}},
        {" -y -i \"a b\\c.bmp\" -vf scale=10:20 \"o.bmp\"", {"-y", "-i", "a b\\c.bmp", "-vf", "scale=10:20", "o.bmp"}},
        {"a\\\\\"b c\"", {"a\\b c"}},
        {"a\\\"b", {"a\"b"}},
        {"\"\"", {""}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"  ", {}},
        {"x;rm -rf /", {"x;rm", "-rf", "/"}},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(splitCommandLine(text), expected) << text;
}

TEST(CommandLineTest, QuotedFileNamesSplitBackWhole) {
    // File names here may hold what Windows names cannot: quotes, trailing
    // backslashes, newlines; between the template's quotes they stay one argument.
    const std::string names[] = {"/v/a b.wmv", "/v/say \"hi\".wmv", "/v/x\\\"y", "/v/end\\", "/v/$(touch x);y`z`",
                                 "/v/-line\nbreak", "/v/\u00e9t\u00e9 caf\u00e9.wmv", "", "\\\\"};
    for (const std::string& name : names) {
        const std::string text = " -y -i \"" + escapeQuoted(name) + "\" -r 15 \"" + escapeQuoted(name) + "\"";
        EXPECT_EQ(splitCommandLine(text), (std::vector<std::string>{"-y", "-i", name, "-r", "15", name})) << text;
    }
}

TEST(PathMappingTest, ProgramNamesAndJoins) {
    EXPECT_EQ(paths::program(".\\sceneback.exe"), "./sceneback");
    EXPECT_EQ(paths::program(".\\sound.bat"), "./sound.sh");
    EXPECT_EQ(paths::program(".\\snd.wav"), "./snd.wav");
    EXPECT_EQ(paths::program("regsvr32"), "regsvr32");
    EXPECT_EQ(paths::program("ffmpeg.exe"), "ffmpeg");
    EXPECT_EQ(paths::program("wmplayer"), "xdg-open");
    EXPECT_EQ(paths::program("wordpad"), "xdg-open");
    EXPECT_EQ(paths::join("/a", "b"), "/a/b");
    EXPECT_EQ(paths::join("/a/", "b"), "/a/b");
}

TEST(FileRegistryTest, ProcessorNameAndValuesFile) {
    EXPECT_EQ(FileRegistry::processorNameFromCpuInfo("processor\t: 0\nmodel name\t: Test CPU @ 2.0GHz\n"),
              "Test CPU @ 2.0GHz");
    EXPECT_EQ(FileRegistry::processorNameFromCpuInfo("nothing here"), "");

    const auto file = std::filesystem::temp_directory_path() / "talvora-registry-test.ini";
    std::ofstream(file) << "[CurrentUser\\SOFTWARE\\Vexa Converter Pro free]\nDirectory=/opt/converter\n";
    FileRegistry registry(file.string());
    EXPECT_EQ(registry.readString(RegistryRoot::CurrentUser, "SOFTWARE\\Vexa Converter Pro free", "Directory"),
              "/opt/converter");
    EXPECT_FALSE(registry.readString(RegistryRoot::LocalMachine, "SOFTWARE\\Vexa Converter Pro free", "Directory"));
    EXPECT_TRUE(registry.keyExists(RegistryRoot::CurrentUser, "SOFTWARE\\Vexa Converter Pro free"));
    EXPECT_FALSE(FileRegistry("/nonexistent/file").keyExists(RegistryRoot::CurrentUser, "x"));
    std::filesystem::remove(file);
}

TEST(PosixLauncherTest, StartsRealProgramsWithoutAShell) {
    PosixLauncher launcher;
    const auto marker = std::filesystem::temp_directory_path() / "talvora-launcher-test;echo";
    std::filesystem::remove(marker);
    // The parameter reaches touch as one argument, semicolon and all.
    EXPECT_TRUE(launcher.executeAndWait("open", "touch", " \"" + marker.string() + "\"", ShowState::Minimized, 5000));
    EXPECT_TRUE(std::filesystem::exists(marker));
    std::filesystem::remove(marker);

    EXPECT_FALSE(launcher.execute("open", ".\\no-such-program.exe", "", ShowState::Normal));
    EXPECT_FALSE(launcher.executeAndWait("runas", "no-such-program-anywhere", "", ShowState::Normal, 100));
    EXPECT_EQ(launcher.findExecutable("sh"), "/usr/bin/sh");
    EXPECT_EQ(launcher.findExecutable(".\\ffmpeg.exe"), "/usr/bin/ffmpeg");  // none beside the program
    EXPECT_EQ(launcher.findExecutable(".\\sh.exe"), "");

    // A program that outlives its wait is left running and reaped later.
    EXPECT_TRUE(launcher.executeAndWait("open", "sleep", " 1", ShowState::Minimized, 50));
}

// The exit code of a started program, waited for up to 5 s.
std::optional<int> endOf(StartedProgram& program) {
    for (int i = 0; i < 500 && !program.exitCode(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return program.exitCode();
}

TEST(PosixLauncherTest, ProgramsGetTheBytesOfTheirNamesTheirExitCodeAndNoneOfOurFiles) {
    const auto folder = std::filesystem::temp_directory_path() / "talvora-launcher-bytes";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string latin1 = (folder / "caf\xe9.wmv").string();  // not UTF-8
    const std::string log = (folder / "trace.log").string();
    const ScopedEnvironment logTo("TALVORA_LOG", log.c_str());
    TraceLog trace;
    trace.append("open");

    PosixLauncher launcher;
    ASSERT_TRUE(launcher.execute("open", "touch", " \"" + latin1 + "\"", ShowState::Minimized));
    for (int i = 0; i < 500 && !std::filesystem::exists(latin1); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(std::filesystem::exists(latin1));

    // What a started program holds open of ours.
    const std::string held = (folder / "held").string();
    const auto lister =
        launcher.start("sh", " -c \"ls -l /proc/$$/fd > '" + held + "'; exit 3\"", ShowState::Minimized);
    ASSERT_NE(lister, nullptr);
    EXPECT_EQ(endOf(*lister), 3);
    std::ifstream in(held);
    const std::string fds((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(fds.find(held), std::string::npos) << fds;  // the listing itself
    EXPECT_EQ(fds.find(log), std::string::npos) << fds;
    std::filesystem::remove_all(folder);
}

TEST(PosixLauncherTest, BuiltInRegistrationTool) {
    FilterModules modules;
    int registered = 0;
    modules.addModule("VozEza5.ax", [&] { ++registered; });
    PosixLauncher launcher;
    launcher.addBuiltIn("regsvr32", [&](const std::vector<std::string>& args) { return modules.registerServer(args); });
    EXPECT_TRUE(launcher.executeAndWait("open", "regsvr32", " /s \"/opt/my app/Bin/VozEza5.ax\"", ShowState::Minimized,
                                        10000));
    EXPECT_TRUE(modules.isRegistered("VozEza5.ax"));
    EXPECT_EQ(registered, 1);
    // Started even for an unknown module, as the tool itself would be.
    EXPECT_TRUE(launcher.executeAndWait("open", "regsvr32", " /s \"/opt/Bin/unknown.ax\"", ShowState::Minimized, 10));
    EXPECT_EQ(modules.registerServer({"/s", "/opt/Bin/unknown.ax"}), FilterModules::kModuleNotFound);
    EXPECT_EQ(modules.registerServer({"/s", "/u", "/opt/Bin/VozEza5.ax"}), FilterModules::kRegistered);
    EXPECT_FALSE(modules.isRegistered("VozEza5.ax"));
}

}  // namespace
}  // namespace platform
