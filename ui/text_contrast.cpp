#include "ui/text_contrast.h"

#include <algorithm>
#include <cmath>

namespace tagwright {

namespace {

double Linear(double channel) {
  return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(const QColor& color) {
  const QColor rgb = color.toRgb();
  return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) + 0.0722 * Linear(rgb.blueF());
}

}  // namespace

double ContrastRatio(const QColor& first, const QColor& second) {
  const double a = RelativeLuminance(first);
  const double b = RelativeLuminance(second);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor ReadableTextColor(const QColor& text, const QColor& background) {
  if (ContrastRatio(text, background) >= kReadableContrast) return text;
  const bool darker = RelativeLuminance(background) > RelativeLuminance(text);
  const QColor hsl = text.toHsl();
  float hue = 0;
  float saturation = 0;
  float lightness = 0;
  hsl.getHslF(&hue, &saturation, &lightness);
  // Lightness in small steps, so that the variant stays as close to the colour as it can.
  constexpr float kStep = 0.005F;
  QColor variant = text;
  while (ContrastRatio(variant, background) < kReadableContrast) {
    lightness = darker ? lightness - kStep : lightness + kStep;
    if (lightness <= 0.0F || lightness >= 1.0F) return darker ? QColor(Qt::black) : QColor(Qt::white);
    const QColor rgb = QColor::fromHslF(hue, saturation, lightness).toRgb();
    variant = QColor(rgb.red(), rgb.green(), rgb.blue());  // as a screen shows it
  }
  return variant;
}

}  // namespace tagwright
