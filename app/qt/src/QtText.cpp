#include "QtText.h"

#include "service/CBrandingGuide.h"

QString ToQString(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string FromQString(const QString& text)
{
    return text.toStdU16String();
}

QString PathToQString(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

std::filesystem::path PathFromQString(const QString& path)
{
    return path.toStdString();
}

QString DisplayText(std::u16string_view text)
{
    QString shown = ToQString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

QString Text(int number)
{
    return DisplayText(BrandingText(number));
}
