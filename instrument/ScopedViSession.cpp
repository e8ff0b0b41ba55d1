#include "instrument/ScopedViSession.h"

void ScopedViSession::Adopt(ViSession session) {
    Close();
    session_ = session;
    open_ = true;
}

void ScopedViSession::Close() {
    if (!open_) {
        return;
    }
    open_ = false;
    link_.Close(session_);
}
