#include "ui/Latin1Text.h"

#include <QByteArrayView>

QString Latin1Text(std::string_view bytes) {
    return QString::fromLatin1(QByteArrayView(bytes));
}
