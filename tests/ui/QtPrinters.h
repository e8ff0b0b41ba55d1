#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <ostream>

// How GoogleTest prints Qt values in a failure message.

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& texts, std::ostream* os) {
    *os << '{';
    for (const QString& text : texts) {
        PrintTo(text, os);
        *os << (&text == &texts.back() ? "" : ", ");
    }
    *os << '}';
}

inline void PrintTo(const QSize& size, std::ostream* os) {
    *os << size.width() << 'x' << size.height();
}

inline void PrintTo(const QRect& rect, std::ostream* os) {
    *os << rect.x() << ',' << rect.y() << ' ' << rect.width() << 'x' << rect.height();
}
