#pragma once

#include "InstrumentLink.h"

// A VISA session opened through a link. Close() ends it at the point the
// caller chooses; the destructor closes whatever is still open.
class LinkSession {
public:
    explicit LinkSession(InstrumentLink& link) : link_(link) {}
    ~LinkSession() { Close(); }
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

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
