// How readable a text colour is on its background (the contrast ratio of WCAG 2), and a variant of
// the same hue that is readable where the colour itself is not.
#pragma once

#include <QColor>

namespace tagwright {

// What a text needs against its background to be read with ease.
inline constexpr double kReadableContrast = 4.5;

// From 1 (the same) to 21 (black on white).
double ContrastRatio(const QColor& first, const QColor& second);

// The text colour itself when it reaches kReadableContrast on the background; else the same hue
// made darker (on a background lighter than the text) or lighter, just until it does.
QColor ReadableTextColor(const QColor& text, const QColor& background);

}  // namespace tagwright
