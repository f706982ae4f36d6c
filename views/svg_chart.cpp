#include "views/svg_chart.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "views/html_text.h"

namespace {

constexpr int kTop = 26;
constexpr int kBottom = 38;  // tick labels and the axis label
constexpr int kLegendRow = 16;
constexpr int kTitleX = 8;
constexpr int kAxisLabelX = 12;  // the y axis label's baseline, turned upright
// Widths the page's fonts take at most per character: 10 px text, the 11 px bold title.
constexpr double kCharWidth = 6.5;
constexpr double kTitleCharWidth = 8;
constexpr double kLargest = std::numeric_limits<double>::max();

// Where `value` falls between the ends of the axis, 0 to 1 (outside when it lies outside).
double Fraction(const ChartAxis& axis, double value) {
    if (axis.log) {
        const double low = std::log10(axis.min);
        const double span = std::log10(axis.max) - low;
        return span > 0 ? (std::log10(std::max(value, axis.min)) - low) / span : 0.5;
    }
    // Halved first: the difference of two large doubles may not be one.
    const double half = axis.max / 2 - axis.min / 2;
    return half > 0 ? (value / 2 - axis.min / 2) / half : 0.5;
}

// The pixel of a fraction of `size`, kept within half a plot of it. The math libraries of the
// platforms may differ in the last bit of a logarithm or a quotient; snapped to a millionth of a
// pixel first, such a value rounds to the same pixel everywhere, so the page has the same bytes
// on every platform.
int Pixel(double fraction, int size) {
    const double kept = std::isnan(fraction) ? 0.5 : std::clamp(fraction, -0.5, 1.5);
    const double snapped = std::round(kept * size * 1e6) / 1e6;
    return static_cast<int>(std::lround(snapped));
}

std::string Number(int value) {
    return std::to_string(value);
}

size_t Characters(const std::string& utf8) {
    return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

int TextWidth(const std::string& text, double perCharacter = kCharWidth) {
    return static_cast<int>(std::ceil(static_cast<double>(Characters(text)) * perCharacter));
}

// The text cut to `most` characters, with an ellipsis when cut.
std::string Shortened(const std::string& utf8, size_t most) {
    if (Characters(utf8) <= most || most == 0) {
        return utf8;
    }
    size_t kept = 0;
    size_t end = 0;
    for (; end < utf8.size(); ++end) {
        if ((static_cast<unsigned char>(utf8[end]) & 0xC0) != 0x80 && ++kept == most) {
            break;  // `end` starts the character that does not fit with the ellipsis
        }
    }
    return utf8.substr(0, end) + "\xE2\x80\xA6";
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

std::string TickText(double value, int decimals) {
    if (!std::isfinite(value) || value == 0) {
        return std::isfinite(value) ? "0" : "-";
    }
    const int magnitude = FloorLog10(std::abs(value));
    if (magnitude < 7 && decimals <= 6) {
        return DecimalText(value, std::max(decimals, 0));
    }
    // Exponent form: as many digits as the fixed text would have had that matter.
    char text[64];
    const int digits = std::clamp(magnitude + decimals, 0, 16);
    const std::to_chars_result end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, digits);
    const std::string all(text, end.ec == std::errc() ? end.ptr : text);
    const size_t e = all.find('e');
    if (e == std::string::npos) {
        return all;
    }
    std::string mantissa = all.substr(0, e);
    if (mantissa.find('.') != std::string::npos) {
        mantissa.erase(mantissa.find_last_not_of('0') + 1);
        if (mantissa.back() == '.') {
            mantissa.pop_back();
        }
    }
    const bool negative = all[e + 1] == '-';
    const size_t exponentDigits = all.find_first_not_of("+-0", e + 1);
    return mantissa + "e" + (negative ? "-" : "") +
           (exponentDigits == std::string::npos ? "0" : all.substr(exponentDigits));
}

std::string ExactText(double value) {
    char text[64];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    return std::string(text, end.ec == std::errc() ? end.ptr : text);
}

namespace {

// Four digits of each end.
std::vector<Tick> Ends(double min, double max) {
    const auto text = [](double value) {
        return TickText(value, value == 0 ? 0 : 3 - FloorLog10(std::abs(value)));
    };
    return {{min, text(min)}, {max, text(max)}};
}

}  // namespace

std::vector<Tick> LinearTicks(double min, double max, int most) {
    most = std::clamp(most, 1, 20);
    // No number stands for 0, the infinities for the largest doubles.
    min = std::isnan(min) ? 0 : std::clamp(min, -kLargest, kLargest);
    max = std::isnan(max) ? 0 : std::clamp(max, -kLargest, kLargest);
    if (max < min) {
        std::swap(min, max);
    }
    if (!(max > min)) {
        const double pad = std::max(1.0, std::abs(min) / 2);
        min = std::max(-kLargest, min - pad);
        max = std::min(kLargest, max + pad);
    }
    const double raw = max / most - min / most;  // finite whatever the ends
    const int power = FloorLog10(raw);
    const double magnitude = PowerOfTen(power);
    double step = magnitude * 10;
    for (double factor : {1.0, 2.0, 5.0}) {
        if (factor * magnitude >= raw * (1 - 1e-12)) {  // 0.2 is 2 x 0.1, whatever the rounding
            step = factor * magnitude;
            break;
        }
    }
    const double first = std::floor(min / step + 1e-9);
    const double last = std::ceil(max / step - 1e-9);
    const double steps = last - first;
    // A double steps through whole numbers only up to 2^53, and the ends must be doubles.
    if (!(steps >= 1 && steps <= 4.0 * most) || std::abs(first) > 9e15 || std::abs(last) > 9e15 ||
        !std::isfinite(first * step) || !std::isfinite(last * step)) {
        return Ends(min, max);
    }
    std::vector<Tick> ticks;
    for (int i = 0; i <= static_cast<int>(steps); ++i) {
        const double value = (first + i) * step;
        ticks.push_back({value, TickText(value, -power)});
    }
    return ticks;
}

std::vector<Tick> DecadeTicks(double min, double max) {
    std::vector<Tick> ticks;
    if (!(min > 0) || !(max >= min) || !std::isfinite(max)) {
        return ticks;
    }
    // A bound a rounding away from a power of ten is that power.
    const int low = FloorLog10(min) + (PowerOfTen(FloorLog10(min)) < min * (1 - 1e-9) ? 1 : 0);
    const int high = FloorLog10(max * (1 + 1e-9));
    for (int e = low; e <= high && e < low + 40; ++e) {
        ticks.push_back({PowerOfTen(e), TickText(PowerOfTen(e), e < 0 ? -e : 0)});
    }
    return ticks;
}

SvgChart::SvgChart(std::string title, ChartAxis x, ChartAxis y)
    : title_(std::move(title)), x_(std::move(x)), y_(std::move(y)) {
    // Room for the y tick labels right of the upright axis label, and for half an x tick label
    // at either end.
    left_ = 40;
    for (const Tick& tick : y_.ticks) {
        left_ = std::max(left_, kAxisLabelX + 14 + TextWidth(tick.text));
    }
    right_ = 12;
    if (!x_.ticks.empty()) {
        left_ = std::max(left_, TextWidth(x_.ticks.front().text) / 2 + 4);
        right_ = std::max(right_, TextWidth(x_.ticks.back().text) / 2 + 4);
    }
}

void SvgChart::SetData(const std::string& name, const std::string& value) {
    data_ += " data-" + name + "=\"" + HtmlEscape(value) + "\"";
}

int SvgChart::X(double value) const {
    return left_ + Pixel(Fraction(x_, value), kPlotWidth);
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

namespace {

// A path of horizontal and vertical strokes, written without the points a straight run passes.
class StepPath {
public:
    void MoveTo(int x, int y) {
        Flush();
        d_ += "M" + Number(x) + " " + Number(y);
        x_ = x;
        y_ = y;
        drawn_ = x;
    }
    void HorizontalTo(int x) { x_ = x; }
    void VerticalTo(int y) {
        if (y != y_) {
            Flush();
            d_ += "V" + Number(y);
            y_ = y;
        }
    }
    bool Empty() const { return d_.empty(); }
    std::string Text() {
        Flush();
        return d_;
    }

private:
    void Flush() {
        if (x_ != drawn_) {
            d_ += "H" + Number(x_);
            drawn_ = x_;
        }
    }
    std::string d_;
    int x_ = 0;
    int y_ = 0;
    int drawn_ = 0;  // where the path written so far ends
};

std::string SeriesPath(const std::string& name, const std::string& cssClass, const std::string& d) {
    return "<path class=\"" + HtmlEscape(cssClass) + " series\" data-name=\"" + HtmlEscape(name) +
           "\" d=\"" + d + "\"/>";
}

}  // namespace

void SvgChart::AddHeldSeries(const std::string& name, const std::string& cssClass,
                             const std::vector<EnvelopeColumn>& columns, double gap) {
    StepPath path;
    const EnvelopeColumn* previous = nullptr;
    for (const EnvelopeColumn& column : columns) {
        if (!column.values.Any()) {
            continue;
        }
        const int top = Y(column.values.max);
        const int bottom = Y(column.values.min);
        const int end = Y(column.values.last);
        if (previous == nullptr || column.x0 - previous->x1 > gap) {
            if (previous != nullptr) {
                path.HorizontalTo(X(previous->x1));
            }
            path.MoveTo(X(column.x0), top);
        } else {
            path.HorizontalTo(X(column.x0));
        }
        // Over the column's values, ending at its last one.
        path.VerticalTo(end == top ? bottom : top);
        path.VerticalTo(end == top ? top : bottom);
        path.VerticalTo(end);
        previous = &column;
    }
    if (previous != nullptr) {
        path.HorizontalTo(X(previous->x1));
        marks_ += SeriesPath(name, cssClass, path.Text());
    }
}

void SvgChart::AddSteps(const std::string& name, const std::string& cssClass,
                        const std::vector<std::pair<EnvelopeColumn, double>>& steps) {
    StepPath path;
    int penX = 0;
    for (const auto& step : steps) {
        const int x0 = X(step.first.x0);
        const int y = Y(step.second);
        if (path.Empty() || x0 != penX) {
            path.MoveTo(x0, y);
        } else {
            path.VerticalTo(y);
        }
        penX = X(step.first.x1);
        path.HorizontalTo(penX);
    }
    if (!path.Empty()) {
        marks_ += SeriesPath(name, cssClass, path.Text());
    }
}

void SvgChart::AddWriteMark(double x, const std::string& time, const std::string& client,
                            const std::string& hover) {
    const int at = std::clamp(X(x), left_, left_ + kPlotWidth);  // a time before the first
    marks_ += "<g class=\"write-mark\" data-time=\"" + HtmlEscape(time) + "\" data-client=\"" +
              HtmlEscape(client) + "\"><path class=\"mark\" d=\"M" + Number(at) + " " +
              Number(kTop) + "V" + Number(kTop + kPlotHeight) + "\" stroke=\"#d35400\"/><title>" +
              HtmlEscape(hover) + "</title></g>";
}

void SvgChart::AddClockStepMark(double x, const std::string& size, const std::string& hover) {
    const int at = std::clamp(X(x), left_, left_ + kPlotWidth);
    marks_ += "<g class=\"clock-step\" data-step=\"" + HtmlEscape(size) + "\"><path d=\"M" +
              Number(at) + " " + Number(kTop) + "V" + Number(kTop + kPlotHeight) +
              "\" stroke=\"#7f8c8d\" stroke-dasharray=\"3 2\"/><text x=\"" + Number(at + 2) +
              "\" y=\"" + Number(kTop + 9) + "\" font-size=\"9\" fill=\"#7f8c8d\">" +
              HtmlEscape(size) + "</text><title>" + HtmlEscape(hover) + "</title></g>";
}

void SvgChart::AddLegend(const std::string& text, const std::string& cssClass) {
    legend_.emplace_back(text, cssClass);
}

std::string SvgChart::Svg() const {
    const int bottom = kTop + kPlotHeight;
    const int right = left_ + kPlotWidth;
    const int width = right + right_;
    const int height = bottom + kBottom + (legend_.empty() ? 0 : kLegendRow);
    std::string svg = "<svg class=\"" + classes_ + "\" width=\"" + Number(width) + "\" height=\"" +
                      Number(height) + "\" viewBox=\"0 0 " + Number(width) + " " + Number(height) +
                      "\" role=\"img\"" + data_ + "><title>" + HtmlEscape(title_) + "</title>\r\n";
    const auto fits = [](int room, double perCharacter) {
        return static_cast<size_t>(std::max(1.0, room / perCharacter));
    };
    svg += "<text class=\"chart-title\" x=\"" + Number(kTitleX) + "\" y=\"16\">" +
           HtmlEscape(Shortened(title_, fits(width - 2 * kTitleX, kTitleCharWidth))) + "</text>";
    svg += "<rect class=\"plot\" x=\"" + Number(left_) + "\" y=\"" + Number(kTop) + "\" width=\"" +
           Number(kPlotWidth) + "\" height=\"" + Number(kPlotHeight) + "\" fill=\"none\"/>";
    std::string ticks;
    std::string labels;
    for (const Tick& tick : x_.ticks) {
        const int x = X(tick.value);
        ticks += "M" + Number(x) + " " + Number(bottom) + "V" + Number(bottom + 4);
        if (tick.text.empty()) {
            continue;
        }
        labels += "<text class=\"tick-label x\" x=\"" + Number(x) + "\" y=\"" +
                  Number(bottom + 17) + "\">" + HtmlEscape(tick.text) + "</text>";
    }
    for (const Tick& tick : y_.ticks) {
        const int y = Y(tick.value);
        ticks += "M" + Number(left_ - 4) + " " + Number(y) + "H" + Number(left_);
        labels += "<text class=\"tick-label y\" x=\"" + Number(left_ - 6) + "\" y=\"" +
                  Number(y + 4) + "\">" + HtmlEscape(tick.text) + "</text>";
    }
    svg += "<path class=\"axis\" d=\"M" + Number(left_) + " " + Number(kTop) + "V" +
           Number(bottom) + "H" + Number(right) + ticks + "\"/>" + labels + "\r\n";
    svg += "<text class=\"axis-label x\" x=\"" + Number(left_ + kPlotWidth / 2) + "\" y=\"" +
           Number(bottom + 32) + "\">" +
           HtmlEscape(Shortened(x_.label, fits(kPlotWidth, kCharWidth))) + "</text>";
    svg += "<text class=\"axis-label y\" transform=\"translate(" + Number(kAxisLabelX) + " " +
           Number(kTop + kPlotHeight / 2) + ") rotate(-90)\">" +
           HtmlEscape(Shortened(y_.label, fits(kPlotHeight - 4, kCharWidth))) + "</text>\r\n";
    svg += marks_;
    int x = left_;
    const int y = bottom + kBottom + 12;
    for (const auto& entry : legend_) {
        svg += "<g class=\"key\"><path class=\"" + HtmlEscape(entry.second) + "\" d=\"M" +
               Number(x) + " " + Number(y - 4) + "H" + Number(x + 14) +
               "\"/><text class=\"key-label\" x=\"" + Number(x + 18) + "\" y=\"" + Number(y) +
               "\">" + HtmlEscape(entry.first) + "</text></g>";
        x += 18 + TextWidth(entry.first) + 14;
    }
    return svg + "\r\n</svg>";
}
