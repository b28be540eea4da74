#pragma once
// Code page 932 bytes to and from the toolkit's strings.

#include "framework/Afx.h"
#include "framework/Cp932.h"

#include <QString>

#include <string_view>

// For display: never fails; a bad byte shows as U+FFFD.
inline QString ToQString(std::string_view bytes)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* pOut = text.data();
    qsizetype n = 0;
    cp932::ForEachChar(bytes, [&](char16_t c) { pOut[n++] = QChar(c); });
    text.truncate(n);
    return text;
}

// A character that code page 932 cannot hold becomes "?".
inline CString FromQString(const QString& text)
{
    return cp932::Encode(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

// Resource texts are UTF-8 in the sources.
inline QString FromResource(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
