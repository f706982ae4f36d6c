#include "web/update_check.h"

#include "common/message_presenter.h"
#include "platform/platform_services.h"
#include "web/form_body.h"
#include "web/form_post.h"
#include "web/reply_words.h"
#include "web/web_messages.h"

bool CheckForUpdate(bool interactive, PlatformServices& platform, const WebServerAccess& server) {
    const std::string reply =
        PostFormForReply(UpdateCheckAddress(server.host), UpdateCheckBody(), server.http);
    switch (InterpretUpdateReply(reply)) {
        case UpdateReply::Current:
        case UpdateReply::NoUpdate:
            if (interactive) {
                PresentMessage(kNoUpdateNotice, kMbOk);
            }
            return true;
        case UpdateReply::NewerVersion:
            if (PresentMessage(kNewVersionQuestion, kMbYesNo) == kIdYes) {
                platform.OpenInShell("open", InstallerAddress(server.host));
            }
            return true;
        case UpdateReply::NoWord:
            break;
    }
    if (interactive) {
        PresentMessage(kNoConnectionNotice, kMbOk);
    }
    return false;
}

bool CheckForUpdate(bool interactive) {
    return CheckForUpdate(interactive, SystemPlatform());
}
