#include "web/web_messages.h"

#include "web/web_addresses.h"

std::string FeedbackFailedNotice() {
    return std::string(
               "We were unable to send your message\n"
               "You might not have a connection to the internet at this moment, please "
               "check your connection and try again.\n"
               "If you are still unable to send your message please manually contact "
               "technical support (") +
           TechnicalSupportEmail() + ")";
}
