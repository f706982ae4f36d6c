#include "common/message_presenter.h"

namespace {

// The button bits of a box style (the rest choose icon, default button and modality).
constexpr int kMbButtonsMask = 0xF;

MessagePresenter* currentPresenter = nullptr;

}  // namespace

ScopedMessagePresenter::ScopedMessagePresenter(MessagePresenter& presenter)
    : previous_(currentPresenter) {
    currentPresenter = &presenter;
}

ScopedMessagePresenter::~ScopedMessagePresenter() {
    currentPresenter = previous_;
}

MessagePresenter* GetMessagePresenter() {
    return currentPresenter;
}

int PresentMessage(const std::string& text, int style) {
    if (currentPresenter != nullptr) {
        return currentPresenter->Present(text, style);
    }
    return (style & kMbButtonsMask) == kMbYesNo ? kIdNo : kIdOk;
}
