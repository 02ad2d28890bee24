#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

// Sets environment variables for one test and restores them afterwards.
class TEnvGuard
{
public:
    TEnvGuard& Set(const std::string& name, const std::string& value)
    {
        Remember(name);
        setenv(name.c_str(), value.c_str(), 1);
        return *this;
    }
    TEnvGuard& Unset(const std::string& name)
    {
        Remember(name);
        unsetenv(name.c_str());
        return *this;
    }
    ~TEnvGuard()
    {
        for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
            if (it->second) {
                setenv(it->first.c_str(), it->second->c_str(), 1);
            } else {
                unsetenv(it->first.c_str());
            }
        }
    }

private:
    void Remember(const std::string& name)
    {
        const char* old = std::getenv(name.c_str());
        saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};
