#pragma once
// Charts as inline SVG, drawn here and not by the browser: a titled plot with labelled axes and
// ticks, its marks in pixel coordinates. One pixel column of the plot per envelope bucket at
// most.

#include <string>
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

// Round ticks (1, 2 or 5 times a power of ten apart) from at or below `min` to at or above
// `max`, about `most` of them; the axis then runs from the first to the last.
std::vector<Tick> LinearTicks(double min, double max, int most = 5);
// A tick at each power of ten over [min, max].
std::vector<Tick> DecadeTicks(double min, double max);

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

    // Pixel positions of data values, rounded to whole pixels.
    int X(double value) const;
    int Y(double value) const;

    // A bar from `x0` to `x1` and from 0 up to `height`, with a hover text.
    void AddBar(double x0, double x1, double height, const std::string& hover);
    // The columns as one line: each a vertical stroke from its greatest to its least value,
    // joined to the next; columns without values are bridged. `cssClass` styles it.
    void AddEnvelope(const std::vector<EnvelopeColumn>& columns, const std::string& cssClass);
    // A small legend entry at the top right, the n-th.
    void AddLegend(int n, const std::string& text, const std::string& cssClass);

    std::string Svg() const;

private:
    std::string title_;
    ChartAxis x_;
    ChartAxis y_;
    std::string marks_;
};
