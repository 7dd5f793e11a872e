#pragma once

// The user's profile of settings (the framework's GetProfileInt and
// WriteProfileInt family), as sections of named integer and string values.
// Section names use '/' between levels ("Settings/Grid"). The shell binds it
// to QSettings; tests and headless tools use MemoryProfileStore.
//
// Failures are not reported, as with the registry: a value that is absent or
// cannot be read gives the caller's default, a value that cannot be written
// is lost.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace kavitro {

class ProfileStore {
public:
    virtual ~ProfileStore() = default;

    virtual std::int32_t GetProfileInt(std::string_view section, std::string_view name,
                                       std::int32_t defaultValue) const = 0;
    virtual std::u16string GetProfileString(std::string_view section, std::string_view name,
                                            std::u16string_view defaultValue) const = 0;
    virtual void WriteProfileInt(std::string_view section, std::string_view name, std::int32_t value) = 0;
    virtual void WriteProfileString(std::string_view section, std::string_view name, std::u16string_view value) = 0;
};

// A profile in memory; also records how many values were written.
class MemoryProfileStore final : public ProfileStore {
public:
    std::int32_t GetProfileInt(std::string_view section, std::string_view name,
                               std::int32_t defaultValue) const override {
        const auto it = m_ints.find(Key(section, name));
        return it == m_ints.end() ? defaultValue : it->second;
    }
    std::u16string GetProfileString(std::string_view section, std::string_view name,
                                    std::u16string_view defaultValue) const override {
        const auto it = m_strings.find(Key(section, name));
        return it == m_strings.end() ? std::u16string(defaultValue) : it->second;
    }
    void WriteProfileInt(std::string_view section, std::string_view name, std::int32_t value) override {
        m_ints[Key(section, name)] = value;
        ++m_writes;
    }
    void WriteProfileString(std::string_view section, std::string_view name, std::u16string_view value) override {
        m_strings[Key(section, name)] = std::u16string(value);
        ++m_writes;
    }

    // Values by "section/name".
    const std::map<std::string, std::int32_t>& Ints() const { return m_ints; }
    const std::map<std::string, std::u16string>& Strings() const { return m_strings; }
    int WriteCount() const { return m_writes; }

    static std::string Key(std::string_view section, std::string_view name) {
        std::string key(section);
        key += '/';
        key += name;
        return key;
    }

private:
    std::map<std::string, std::int32_t> m_ints;
    std::map<std::string, std::u16string> m_strings;
    int m_writes = 0;
};

}  // namespace kavitro
