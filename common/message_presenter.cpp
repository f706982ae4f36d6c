#include "common/message_presenter.h"

namespace {
MessagePresenter* g_presenter = nullptr;
}

void SetMessagePresenter(MessagePresenter* presenter) {
    g_presenter = presenter;
}

MessagePresenter* GetMessagePresenter() {
    return g_presenter;
}
