#include "LinkSession.h"

void LinkSession::Adopt(ViSession session) {
    Close();
    session_ = session;
    open_ = true;
}

void LinkSession::Close() {
    if (!open_) {
        return;
    }
    open_ = false;
    link_.Close(session_);
}
