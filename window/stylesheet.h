#pragma once
// Style-sheet loading and the process-wide DPI scale factor. The factor is chosen once at
// start-up from the first screen and multiplies the known font sizes of every style sheet
// loaded through loadStyleSheet(), and the pixel sizes that widgets compute in code.

#include <QString>

/// Chooses the scale factor from the first screen's logical DPI. Needs the application object;
/// with no screen the factor stays as it is (1.0 at start).
void initScaleFactor();

/// The factor that initScaleFactor() would choose for this logical DPI:
/// 1.0, 1.25, 1.5, 1.75 or 2.0.
float scaleFactorForDpi(double logicalDpi);

/// Sets the factor as initScaleFactor() would for a screen of this logical DPI.
void setScaleFactorForDpi(double logicalDpi);

/// The current factor.
float scaleFactor();

/// n times the factor, truncated toward zero.
int scaled(int n);

/// n times the factor, rounded to nearest with halves up.
int scaledRounded(int n);

/// Scales, in place, the declarations "font-size: Npx;" for N in 26, 24, 22, 20, 18, 16, 15,
/// 14, 13, 12; other sizes and other spellings are left alone. No change at factor 1.0.
void scaleFontSizes(QString &text);

/// The UTF-8 file or resource at path with its font sizes scaled; empty when it cannot be
/// opened.
QString loadStyleSheet(const QString &path);

/// Replaces every occurrence of from in text by to, case-sensitively. to must not contain from.
void replaceAll(QString &text, const QString &from, const QString &to);
