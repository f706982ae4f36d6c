#include "common/message_presenter.h"

namespace {

// The button bits of a box style (the rest choose icon, default button and modality).
constexpr int kMbButtonsMask = 0xF;

MessagePresenter* g_presenter = nullptr;

}  // namespace

ScopedMessagePresenter::ScopedMessagePresenter(MessagePresenter& presenter)
    : previous_(g_presenter) {
    g_presenter = &presenter;
}

ScopedMessagePresenter::~ScopedMessagePresenter() {
    g_presenter = previous_;
}

MessagePresenter* GetMessagePresenter() {
    return g_presenter;
}

int PresentMessage(const std::string& text, int style) {
    if (g_presenter != nullptr) {
        return g_presenter->Present(text, style);
    }
    return (style & kMbButtonsMask) == kMbYesNo ? kIdNo : kIdOk;
}
