// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32portio.h"

#include <QDeadlineTimer>

namespace talvor {

OVERLAPPED *Win32Request::start()
{
    state = {};
    state.hEvent = event;
    ResetEvent(event);
    pending = true;
    return &state;
}

Win32Outcome Win32PortIo::finish(HANDLE port, Win32Request &request, DWORD ms)
{
    if (WaitForSingleObject(request.event, ms) != WAIT_OBJECT_0)
        return {false, false, 0, WAIT_TIMEOUT};
    request.pending = false;
    Win32Outcome outcome{true};
    outcome.ok = GetOverlappedResult(port, &request.state, &outcome.count, FALSE);
    if (!outcome.ok)
        outcome.error = GetLastError();
    return outcome;
}

bool Win32PortIo::settle(DWORD ms)
{
    const QDeadlineTimer deadline(ms);
    for (Win32Request *request : {&wait, &read, &write}) {
        if (request->pending &&
            WaitForSingleObject(request->event, DWORD(deadline.remainingTime())) == WAIT_OBJECT_0)
            request->pending = false;
    }
    return !wait.pending && !read.pending && !write.pending;
}

} // namespace talvor
