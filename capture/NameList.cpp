#include "capture/NameList.h"

namespace talvora {

bool NameList::append(const std::string& name) {
    if (full()) return false;
    names_.push_back(name.substr(0, kNameLength));
    return true;
}

}  // namespace talvora
