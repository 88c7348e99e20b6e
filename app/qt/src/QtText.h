#pragma once
// Our texts and Qt's, converted in one place: wide (UTF-16) text to QString and back, and the
// branding table's texts as the widgets show them.

#include <QString>

#include <filesystem>
#include <string>
#include <string_view>

QString ToQString(std::u16string_view text);
std::u16string FromQString(const QString& text);
// Host paths: their bytes taken as UTF-8, as the rest of the program does.
QString PathToQString(const std::filesystem::path& path);
std::filesystem::path PathFromQString(const QString& path);

// Text that may hold the handset's CR LF line ends, with plain LF ones, as Qt's widgets expect.
QString DisplayText(std::u16string_view text);
// Branding text `number` as a widget shows it (empty when the table has none).
QString Text(int number);
