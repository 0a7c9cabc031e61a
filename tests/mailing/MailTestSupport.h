#pragma once
// Environment settings for one test, put back afterwards: the locale
// variables that choose the header charset, and TZ (re-read with tzset).

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ScopedEnv {
  public:
    ScopedEnv() = default;
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) Put(it->first, it->second);
        tzset();
    }

    // nullopt unsets the variable.
    ScopedEnv& Set(const std::string& name, std::optional<std::string> value) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        Put(name, value);
        if (name == "TZ") tzset();
        return *this;
    }

    // Only LC_ALL set, to the given locale.
  private:
    static void Put(const std::string& name, const std::optional<std::string>& value) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// An Italian desktop: headers in ISO-8859-1 with letter Q.
class ItalianLocale {
  public:
    ItalianLocale() {
        env_.Set("LC_ALL", "it_IT.UTF-8").Set("LC_CTYPE", std::nullopt).Set("LANG", std::nullopt);
    }

  private:
    ScopedEnv env_;
};
