// How the engine asks for a password: the front end answers (a dialog in the
// window, a file or a prompt without echo in valbrix-cli), so the engine
// shows nothing itself. The front end knows which entry is being extracted
// and names it in its question.
#pragma once

#include "engine/crypto/Secret.h"

namespace valbrix {

enum TPasswordAnswer {
    paGiven,      // the password is in the secret
    paCancelled,  // the user declined: the entry fails as encrypted
    paNoOther,    // nothing else to try (a password file that did not fit): the entry fails as a wrong password
    paLater,      // not on this thread: the entry ends with erPasswordLater; its caller asks and runs it again
};

class TPasswordProvider {
public:
    virtual ~TPasswordProvider() = default;
    // Asked when an encrypted entry is reached and no password is kept, or
    // the kept one does not fit it; `wrongBefore` says a password was just
    // tried on this entry and did not fit.
    virtual TPasswordAnswer AskPassword(bool wrongBefore, TSecret& password) = 0;
};

}  // namespace valbrix
