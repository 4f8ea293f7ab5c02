#include "qkitavatar.h"

#include <QCryptographicHash>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

QString QKitAvatar::initials(const QString &name)
{
    const QStringList words = name.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return QStringLiteral("?");
    auto first = [](const QString &word) {
        // Keep a surrogate pair whole so a leading emoji or rare ideograph is not cut in half.
        return word.at(0).isHighSurrogate() && word.size() > 1 ? word.left(2) : word.left(1);
    };
    QString result = first(words.first());
    if (words.size() > 1)
        result += first(words.last());
    return result.toUpper();
}

QColor QKitAvatar::colour(const QString &name)
{
    static const QColor palette[] = {QColor(0x34, 0x7a, 0xeb), QColor(0xe0, 0x6c, 0x4c),
                                     QColor(0x2f, 0xa8, 0x76), QColor(0x8e, 0x5b, 0xd6),
                                     QColor(0xd9, 0x8e, 0x1f), QColor(0x1f, 0x9e, 0xb8),
                                     QColor(0xc9, 0x4b, 0x86), QColor(0x5c, 0x6b, 0x7a)};
    const QByteArray hash = QCryptographicHash::hash(name.simplified().toCaseFolded().toUtf8(),
                                                     QCryptographicHash::Sha256);
    return palette[static_cast<uchar>(hash.at(0)) % (sizeof(palette) / sizeof(palette[0]))];
}

QPixmap QKitAvatar::picture(const QString &name, int size)
{
    // Drawn at the screen's pixel density so the picture stays sharp on high-DPI screens.
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(qRound(size * ratio), qRound(size * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour(name));
    painter.drawEllipse(QRectF(0, 0, size, size));
    QFont font(QStringLiteral("Microsoft YaHei"));
    font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(qMax(8, size * 2 / 5));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, initials(name));
    return pixmap;
}
