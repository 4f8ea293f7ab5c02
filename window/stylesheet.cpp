#include "stylesheet.h"

#include <QFile>
#include <QGuiApplication>
#include <QList>
#include <QScreen>
#include <QtMath>

#include <cmath>

namespace {

float g_scaleFactor = 1.0f;

// Largest first: every replacement is larger than its source, so a size written by one step
// is never matched again by a later one.
constexpr int kScaledFontSizes[] = {26, 24, 22, 20, 18, 16, 15, 14, 13, 12};

QString fontSizeDeclaration(int pixels)
{
    return QStringLiteral("font-size: %1px;").arg(pixels);
}

} // namespace

float scaleFactorForDpi(double logicalDpi)
{
    const float ratio = static_cast<float>(logicalDpi / 96.0);
    const double r = ratio;
    if (r < 1.1)
        return 1.0f;
    if (r < 1.4)
        return 1.25f;
    if (r < 1.6)
        return 1.5f;
    if (r < 1.8)
        return 1.75f;
    return 2.0f;
}

void setScaleFactorForDpi(double logicalDpi)
{
    g_scaleFactor = scaleFactorForDpi(logicalDpi);
}

void initScaleFactor()
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return;
    setScaleFactorForDpi(screens.first()->logicalDotsPerInch());
}

float scaleFactor()
{
    return g_scaleFactor;
}

int scaled(int n)
{
    return static_cast<int>(static_cast<float>(n) * g_scaleFactor);
}

int scaledRounded(int n)
{
    return qRound(static_cast<float>(n) * g_scaleFactor);
}

void scaleFontSizes(QString &text)
{
    if (std::fabs(1.0f - g_scaleFactor) < 1e-7f)
        return;
    for (int size : kScaledFontSizes)
        replaceAll(text, fontSizeDeclaration(size), fontSizeDeclaration(scaled(size)));
}

QString loadStyleSheet(const QString &path)
{
    QString text;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        text = QString::fromUtf8(file.readAll());
        scaleFontSizes(text);
        file.close();
    }
    return text;
}

void replaceAll(QString &text, const QString &from, const QString &to)
{
    if (from.isEmpty())
        return;
    // Restarting at 0 after each replacement would never end when to contains from; a single
    // left-to-right pass is the only sensible reading then.
    if (to.contains(from, Qt::CaseSensitive)) {
        text.replace(from, to, Qt::CaseSensitive);
        return;
    }
    int index = text.indexOf(from, 0, Qt::CaseSensitive);
    while (index >= 0) {
        text.replace(index, from.size(), to);
        index = text.indexOf(from, 0, Qt::CaseSensitive);
    }
}
