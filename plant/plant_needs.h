#pragma once
// What the views of a run need the plant stage to work out: each view says what it needs, the
// run asks every view and the stage works out no more than that.

struct PlantNeeds {
    bool points = false;       // point values
    bool typedValues = false;  // typed values, when the run has a register map
    bool anomalies = false;    // anomalies
    bool model = false;        // the plant model, and each write
    bool polling = false;      // with the model: polls, ranges and map statistics per device
    bool polls = false;        // with the model: the polls of each range (polling has them too)
    bool trends = false;       // with the model: the series of the charts
    bool changes = false;      // with the model: the change log and who wrote where
    bool mapDraft = false;     // the register map drafted from the traffic
    bool activity = false;     // with the model: each device's recent activity (--top)

    PlantNeeds& operator|=(const PlantNeeds& other) {
        points = points || other.points;
        typedValues = typedValues || other.typedValues;
        anomalies = anomalies || other.anomalies;
        model = model || other.model;
        polling = polling || other.polling;
        polls = polls || other.polls;
        trends = trends || other.trends;
        changes = changes || other.changes;
        mapDraft = mapDraft || other.mapDraft;
        activity = activity || other.activity;
        return *this;
    }
    // Whether the stage has anything to do.
    bool Any() const { return points || typedValues || anomalies || model || mapDraft || activity; }
};
