#pragma once

#include <clocale>
#include <string>

namespace talvora::test {

// For one scope, the C library formats and reads numbers as in a locale with
// a decimal comma, which Qt brings in from the user's locale at start-up.
// scripts/deps generates de_DE.UTF-8 so that such a locale always exists.
class DecimalCommaLocale {
public:
    DecimalCommaLocale() {
        const char* current = std::setlocale(LC_NUMERIC, nullptr);
        saved_ = current != nullptr ? current : "C";
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
            if (std::setlocale(LC_NUMERIC, name) != nullptr && std::localeconv()->decimal_point[0] == ',') {
                active_ = true;
                return;
            }
        }
        restore();
    }
    ~DecimalCommaLocale() { restore(); }
    DecimalCommaLocale(const DecimalCommaLocale&) = delete;
    DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

    bool active() const { return active_; }
    void restore() { std::setlocale(LC_NUMERIC, saved_.c_str()); }

private:
    std::string saved_;
    bool active_ = false;
};

}  // namespace talvora::test
