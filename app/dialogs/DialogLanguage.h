#pragma once

// The language pack the dialogs take their texts, direction and font from.
// The shell names the pack in use once at start (the pack object stays the
// same across language switches); until then the built-in English texts
// serve, so that dialogs also work in tests and tools.

#include <QString>
#include <cstdint>

class QWidget;

namespace kavitro {

class LanguagePack;

void SetDialogLanguage(const LanguagePack* pack);
const LanguagePack& DialogLanguage();

// The text of string `id` of the pack in use.
QString DialogText(std::uint32_t id);

// Lays the widget out right to left when the pack reads right to left.
void ApplyDialogDirection(QWidget& widget);

}  // namespace kavitro
