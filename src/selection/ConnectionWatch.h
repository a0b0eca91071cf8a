#pragma once

namespace selection {

// Watches one user action of the data lists for a lost server connection. The error handler
// reopens the connections without a word (or ends the program with its own message), and the
// steps below it only return their failure result: "no data", "damaged", an empty list. The
// action asks lost() after its steps, stops at the first loss and calls report(), which tells
// the user once. Errors the action catches itself go through records::noteConnectionLoss.
class ConnectionWatch {
public:
    ConnectionWatch();

    // True once a step since construction met a lost connection, or the program is ending.
    bool lost() const;
    // When the connection was lost: shows the one message, unless it was shown for this loss
    // already or the handler's fatal message said it; true when it was lost.
    bool report() const;

private:
    unsigned long m_start;
};

} // namespace selection
