#include "plant/plant_stage.h"

#include "plant/poll_timing.h"
#include "session/response_time.h"

PlantStage::PlantStage(PlantNeeds needs, double slowResponseMs,
                       std::shared_ptr<const RegisterMap> map)
    : needs_(needs), slowResponseMs_(slowResponseMs) {
    // The model keeps each device's last values, which it reads off the points; so does the
    // drafted map. The activity of a device is told beside the model's figures.
    needs_.model = needs_.model || needs_.activity;
    needs_.points = needs_.points || needs_.model || needs_.mapDraft || (needs_.typedValues && map);
    if (needs_.mapDraft) {
        mapDraft_ = std::make_unique<MapSuggester>();
    }
    if (needs_.activity) {
        activity_ = std::make_unique<DeviceActivity>();
    }
    if (map && needs_.points) {
        mapper_ = std::make_unique<ValueMapper>(std::move(map));
    }
    if (needs_.model) {
        if (needs_.trends) {
            trends_ = std::make_unique<PlantTrends>(mapper_ != nullptr);
        }
        model_ = std::make_unique<PlantModel>(needs_.polling ? PlantModel::Detail::Full
                                              : needs_.polls ? PlantModel::Detail::Polls
                                                             : PlantModel::Detail::Overview,
                                              trends_.get());
        if (needs_.changes) {
            changes_ = std::make_unique<ChangeLog>();
            writeRanges_ = std::make_unique<WriteRanges>();
        }
    }
}

const Derivation& PlantStage::Derive(const Transaction& t) {
    derived_.Clear();
    derived_.responseMs = ResponseTimeMs(t);
    if (needs_.points) {
        PointValuesOf(t, derived_.points);
        if (mapper_) {
            mapper_->Map(t, derived_.points, derived_.values);
        }
    }
    if (needs_.anomalies) {
        derived_.anomalies = AnomaliesOf(t, derived_.responseMs, slowResponseMs_);
        scans_.Take(t, derived_.anomalies);
    }
    if (model_) {
        model_->Take(t, derived_);
    }
    if (changes_) {
        changes_->Take(t, derived_);
        writeRanges_->Take(t, derived_);
    }
    if (mapDraft_) {
        mapDraft_->Take(t, derived_.PlantPoints());
    }
    if (activity_) {
        activity_->Take(t, derived_);
    }
    return derived_;
}

PlantResult PlantStage::Result(const CaptureFacts& facts) {
    if (trends_) {
        const auto& devices = model_->Devices();
        trends_->Settle([&devices](const DeviceKey& key) {
            const auto found = devices.find(key);
            return found != devices.end() ? DevicePollPeriodMs(found->second)
                                          : std::optional<double>();
        });
    }
    return PlantResult{facts,          model_.get(),       trends_.get(),   mapper_.get(),
                       changes_.get(), writeRanges_.get(), mapDraft_.get(), activity_.get()};
}
