#pragma once
// Charts as inline SVG, drawn here and not by the browser: a titled plot (its data area the
// rect of class "plot") with labelled axes and ticks around it, its marks in pixel coordinates.
// Every text lies outside the plot and inside the chart: the margins follow the tick labels.
// One pixel column of the plot per envelope bucket at most.

#include <string>
#include <utility>
#include <vector>

#include "plant/time_series.h"

struct Tick {
    double value = 0;
    std::string text;
};

struct ChartAxis {
    std::string label;
    double min = 0;
    double max = 1;
    bool log = false;  // min and max above 0
    std::vector<Tick> ticks;
};

// 10^k, and the k of the power of ten at or below x, from exact operations (the same on every
// platform); k stays within +-330.
double PowerOfTen(int k);
int FloorLog10(double x);

// Round ticks (1, 2 or 5 times a power of ten apart) from at or below `min` to at or above
// `max`, about `most` of them; the axis then runs from the first to the last. Any doubles give
// a finite axis of at least two distinct ticks, in a bounded number of steps.
std::vector<Tick> LinearTicks(double min, double max, int most = 5);
// A tick at each power of ten over [min, max] (at most 40).
std::vector<Tick> DecadeTicks(double min, double max);
// A number as a tick shows it: fixed with `decimals`, or in exponent form ("3.4e38") when the
// fixed text would be long; `decimals` then counts from the number's first digit.
std::string TickText(double value, int decimals);
// The shortest text that reads back as the same double, for attributes a reader parses.
std::string ExactText(double value);

// The envelope of one plot column: its data range [x0, x1) and the values that fell in it.
struct EnvelopeColumn {
    double x0 = 0;
    double x1 = 0;
    Extent values;
};

class SvgChart {
public:
    static constexpr int kPlotWidth = 300;
    static constexpr int kPlotHeight = 120;

    SvgChart(std::string title, ChartAxis x, ChartAxis y);

    // Another class of the <svg> besides "chart", and data-* attributes on it.
    void AddClass(const std::string& cssClass) { classes_ += " " + cssClass; }
    void SetData(const std::string& name, const std::string& value);

    // Pixel positions of data values, rounded to whole pixels, no further than half a plot
    // outside it.
    int X(double value) const;
    int Y(double value) const;

    // A bar from `x0` to `x1` and from 0 up to `height`, with a hover text.
    void AddBar(double x0, double x1, double height, const std::string& hover);
    // A series `name` of values that hold from one sample to the next: each column with values
    // a vertical stroke over them ending at its last one, held up to the next column with values
    // unless nothing came for longer than `gap` (in x units), where the path breaks.
    void AddHeldSeries(const std::string& name, const std::string& cssClass,
                       const std::vector<EnvelopeColumn>& columns, double gap);
    // A series `name` of one value per column, as steps.
    void AddSteps(const std::string& name, const std::string& cssClass,
                  const std::vector<std::pair<EnvelopeColumn, double>>& steps);
    // A write at `x`, across the plot: its time and client as attributes, `hover` its text.
    void AddWriteMark(double x, const std::string& time, const std::string& client,
                      const std::string& hover);
    // A step of the capture's clock at `x`: a dashed line across the plot labelled with its
    // `size` at the top, `hover` its text.
    void AddClockStepMark(double x, const std::string& size, const std::string& hover);
    // A legend entry, under the plot after those before it.
    void AddLegend(const std::string& text, const std::string& cssClass);

    std::string Svg() const;

private:
    std::string title_;
    ChartAxis x_;
    ChartAxis y_;
    std::string classes_ = "chart";
    std::string data_;
    std::string marks_;
    std::vector<std::pair<std::string, std::string>> legend_;  // text, class
    int left_ = 0;                                             // the margins, from the tick labels
    int right_ = 0;
};
