#pragma once

// The user's profile in QSettings: organisation "Kavitro Applications", the
// application's name, sections as QSettings groups ("Settings/Grid").
// Integers are stored as integers (colours stay 0x00BBGGRR), the string as a
// string. A value of the wrong type or out of the 32-bit range reads as
// absent, so the caller's default applies.

#include <QSettings>

#include "document/ApplicationProperties.h"
#include "document/ProfileStore.h"

namespace kavitro {

class QtProfileStore final : public ProfileStore {
public:
    // The settings must outlive the store.
    explicit QtProfileStore(QSettings& settings) : m_settings(settings) {}

    std::int32_t GetProfileInt(std::string_view section, std::string_view name,
                               std::int32_t defaultValue) const override;
    std::u16string GetProfileString(std::string_view section, std::string_view name,
                                    std::u16string_view defaultValue) const override;
    void WriteProfileInt(std::string_view section, std::string_view name, std::int32_t value) override;
    void WriteProfileString(std::string_view section, std::string_view name, std::u16string_view value) override;

private:
    QSettings& m_settings;
};

// Loads the settings record from the application's profile when made and
// writes it back when destroyed, so that every way out of main (a normal
// exit, a failed start) saves it. Needs the organisation and application
// names set first.
class ApplicationSettingsSession {
public:
    explicit ApplicationSettingsSession(CApplicationProperties& properties);
    ~ApplicationSettingsSession();
    ApplicationSettingsSession(const ApplicationSettingsSession&) = delete;
    ApplicationSettingsSession& operator=(const ApplicationSettingsSession&) = delete;

private:
    CApplicationProperties& m_properties;
};

}  // namespace kavitro
