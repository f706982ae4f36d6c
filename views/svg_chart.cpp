#include "views/svg_chart.h"

#include <cmath>

#include "views/html_text.h"

namespace {

constexpr int kLeft = 56;
constexpr int kRight = 12;
constexpr int kTop = 26;
constexpr int kBottom = 38;
constexpr int kWidth = kLeft + SvgChart::kPlotWidth + kRight;
constexpr int kHeight = kTop + SvgChart::kPlotHeight + kBottom;

// Where `value` falls between the ends of the axis, 0 to 1 (outside when it lies outside).
double Fraction(const ChartAxis& axis, double value) {
    if (axis.log) {
        const double low = std::log10(axis.min);
        return (std::log10(std::max(value, axis.min)) - low) / (std::log10(axis.max) - low);
    }
    return axis.max > axis.min ? (value - axis.min) / (axis.max - axis.min) : 0.5;
}

// The pixel of a fraction of `size`. The math libraries of the platforms may differ in the last
// bit of a logarithm or a quotient; snapped to a millionth of a pixel first, such a value rounds
// to the same pixel everywhere, so the page has the same bytes on every platform.
int Pixel(double fraction, int size) {
    const double snapped = std::round(fraction * size * 1e6) / 1e6;
    return static_cast<int>(std::lround(snapped));
}

std::string Number(int value) {
    return std::to_string(value);
}

}  // namespace

// 10^k and floor(log10(x)) from exact operations only, so that the ticks are the same whatever
// the platform's pow and log10 make of a power of ten: 10^k is exact up to 10^22, and its
// reciprocal the nearest double to 10^-k.
double PowerOfTen(int k) {
    // Past +-330 a double is 0 or infinite anyway: the loop stays short whatever k is.
    k = k < -330 ? -330 : k > 330 ? 330 : k;
    double power = 1;
    for (int i = 0; i < (k < 0 ? -k : k); ++i) {
        power *= 10;
    }
    return k < 0 ? 1 / power : power;
}

int FloorLog10(double x) {
    const double guess = std::floor(std::log10(x));  // off by one at worst
    // Zero, infinities and NaN have no decade: the ends of the range stand for them.
    int k = guess > 300 || !(guess >= -300) ? (guess > 300 ? 300 : -300) : static_cast<int>(guess);
    while (k > -300 && PowerOfTen(k) > x) {
        --k;
    }
    while (k < 300 && PowerOfTen(k + 1) <= x) {
        ++k;
    }
    return k;
}

std::vector<Tick> LinearTicks(double min, double max, int most) {
    if (!(max > min) || !std::isfinite(max - min)) {
        min -= 1;
        max += 1;
    }
    const double raw = (max - min) / most;
    if (!std::isfinite(raw) || !(raw > 0)) {
        // Ends a double cannot step between (beyond +-1e308, or not numbers at all).
        return {{min, DecimalText(min, 6)}, {max, DecimalText(max, 6)}};
    }
    const int power = FloorLog10(raw);
    const double magnitude = PowerOfTen(power);
    double step = magnitude * 10;
    for (double factor : {1.0, 2.0, 5.0}) {
        if (factor * magnitude >= raw * (1 - 1e-12)) {  // 0.2 is 2 x 0.1, whatever the rounding
            step = factor * magnitude;
            break;
        }
    }
    const int decimals = power < 0 ? -power : 0;
    std::vector<Tick> ticks;
    const double first = std::floor(min / step + 1e-9);
    const double last = std::ceil(max / step - 1e-9);
    if (!(last - first >= 1 && last - first <= 4.0 * most)) {
        // Values too far apart or too close for a double to step through: the ends alone.
        return {{min, DecimalText(min, 6)}, {max, DecimalText(max, 6)}};
    }
    for (double k = first; k <= last; ++k) {
        ticks.push_back({k * step, DecimalText(k * step, decimals)});
    }
    return ticks;
}

std::vector<Tick> DecadeTicks(double min, double max) {
    std::vector<Tick> ticks;
    for (double e = std::ceil(std::log10(min) - 1e-9); e <= std::log10(max) + 1e-9; ++e) {
        const double value = PowerOfTen(static_cast<int>(e));
        ticks.push_back({value, DecimalText(value, e < 0 ? static_cast<int>(-e) : 0)});
    }
    return ticks;
}

SvgChart::SvgChart(std::string title, ChartAxis x, ChartAxis y)
    : title_(std::move(title)), x_(std::move(x)), y_(std::move(y)) {}

int SvgChart::X(double value) const {
    return kLeft + Pixel(Fraction(x_, value), kPlotWidth);
}

int SvgChart::Y(double value) const {
    return kTop + kPlotHeight - Pixel(Fraction(y_, value), kPlotHeight);
}

void SvgChart::AddBar(double x0, double x1, double height, const std::string& hover) {
    const int left = X(x0);
    const int top = Y(height);
    marks_ += "<rect class=\"bar\" x=\"" + Number(left) + "\" y=\"" + Number(top) + "\" width=\"" +
              Number(std::max(1, X(x1) - left - 1)) + "\" height=\"" +
              Number(std::max(1, Y(y_.min) - top)) + "\"><title>" + HtmlEscape(hover) +
              "</title></rect>";
}

void SvgChart::AddEnvelope(const std::vector<EnvelopeColumn>& columns,
                           const std::string& cssClass) {
    std::string d;
    int penY = 0;
    int pendingX = -1;  // a horizontal stroke not yet written, to here
    for (const EnvelopeColumn& column : columns) {
        if (!column.values.Any()) {
            continue;
        }
        const int top = Y(column.values.max);
        const int bottom = Y(column.values.min);
        if (d.empty()) {
            d = "M" + Number(X(column.x0)) + " " + Number(top);
            penY = top;
        } else if (top != penY || bottom != penY) {
            d += "H" + Number(X(column.x0));
        }
        if (top != penY) {
            d += "V" + Number(top);
        }
        if (bottom != top) {
            d += "V" + Number(bottom);
        }
        penY = bottom;
        pendingX = X(column.x1);
    }
    if (!d.empty()) {
        d += "H" + Number(pendingX);
        marks_ += "<path class=\"" + HtmlEscape(cssClass) + "\" d=\"" + d + "\"/>";
    }
}

void SvgChart::AddLegend(int n, const std::string& text, const std::string& cssClass) {
    const int y = kTop + 10 + 12 * n;
    const int x = kLeft + kPlotWidth - 8;
    marks_ += "<path class=\"" + HtmlEscape(cssClass) + "\" d=\"M" + Number(x - 16) + " " +
              Number(y - 4) + "h12\"/><text class=\"legend\" x=\"" + Number(x - 20) + "\" y=\"" +
              Number(y) + "\">" + HtmlEscape(text) + "</text>";
}

std::string SvgChart::Svg() const {
    const int bottom = kTop + kPlotHeight;
    const int right = kLeft + kPlotWidth;
    std::string svg = "<svg class=\"chart\" width=\"" + Number(kWidth) + "\" height=\"" +
                      Number(kHeight) + "\" viewBox=\"0 0 " + Number(kWidth) + " " +
                      Number(kHeight) + "\" role=\"img\"><title>" + HtmlEscape(title_) +
                      "</title>\r\n";
    svg += "<text class=\"chart-title\" x=\"" + Number(kLeft) + "\" y=\"16\">" +
           HtmlEscape(title_) + "</text>";
    std::string ticks;
    std::string labels;
    for (const Tick& tick : x_.ticks) {
        const int x = X(tick.value);
        ticks += "M" + Number(x) + " " + Number(bottom) + "v4";
        labels += "<text class=\"tick-label x\" x=\"" + Number(x) + "\" y=\"" +
                  Number(bottom + 15) + "\">" + HtmlEscape(tick.text) + "</text>";
    }
    for (const Tick& tick : y_.ticks) {
        const int y = Y(tick.value);
        ticks += "M" + Number(kLeft - 4) + " " + Number(y) + "h4";
        labels += "<text class=\"tick-label y\" x=\"" + Number(kLeft - 6) + "\" y=\"" +
                  Number(y + 4) + "\">" + HtmlEscape(tick.text) + "</text>";
    }
    svg += "<path class=\"axis\" d=\"M" + Number(kLeft) + " " + Number(kTop) + "V" +
           Number(bottom) + "H" + Number(right) + ticks + "\"/>" + labels + "\r\n";
    svg += "<text class=\"axis-label x\" x=\"" + Number(kLeft + kPlotWidth / 2) + "\" y=\"" +
           Number(kHeight - 4) + "\">" + HtmlEscape(x_.label) + "</text>";
    svg += "<text class=\"axis-label y\" transform=\"translate(12 " +
           Number(kTop + kPlotHeight / 2) + ") rotate(-90)\">" + HtmlEscape(y_.label) +
           "</text>\r\n";
    return svg + marks_ + "\r\n</svg>";
}
