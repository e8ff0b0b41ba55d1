#pragma once

#include "instrument/InstrumentLink.h"

// A VISA session opened through a link. Close() ends it at the point the
// caller chooses; the destructor closes whatever is still open.
class ScopedViSession {
public:
    explicit ScopedViSession(InstrumentLink& link) : link_(link) {}
    ~ScopedViSession() { Close(); }
    ScopedViSession(const ScopedViSession&) = delete;
    ScopedViSession& operator=(const ScopedViSession&) = delete;

    // Takes ownership of `session` once the call that opened it succeeded.
    void Adopt(ViSession session);
    bool IsOpen() const { return open_; }
    ViSession Handle() const { return session_; }
    void Close();

private:
    InstrumentLink& link_;
    ViSession session_ = VI_NULL;
    bool open_ = false;
};
