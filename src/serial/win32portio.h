// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <array>

#include <windows.h>

namespace talvor {

// One overlapped request: its OVERLAPPED, its own event, and whether the system still owns it.
struct Win32Request {
    OVERLAPPED state = {};
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool pending = false;

    Win32Request() = default;
    Win32Request(const Win32Request &) = delete;
    Win32Request &operator=(const Win32Request &) = delete;
    ~Win32Request() { CloseHandle(event); }

    // Ready for the next request: the state cleared, the event not set.
    OVERLAPPED *start();
};

// How a request ended, if it did.
struct Win32Outcome {
    bool ended = false;
    bool ok = false;
    DWORD count = 0;
    DWORD error = 0; // the system's code when it failed; WAIT_TIMEOUT when it did not end
};

// The memory that the system writes into or reads from while a request of the open port is under
// way: the OVERLAPPEDs with their events, the wait's event mask, the read and write buffers. It
// lives while the port is open. When a cancelled request does not end within the bound, it is
// deliberately never freed, so that a driver that completes the request late still writes into
// memory of ours and not into memory that has been given to something else.
struct Win32PortIo {
    static constexpr DWORD kReadChunk = 4096;

    Win32Request wait;
    DWORD events = 0;
    Win32Request read;
    std::array<char, kReadChunk> incoming = {};
    Win32Request write;
    QByteArray outgoing;

    // Waits up to `ms` for the request to end and takes its outcome; 0 only looks.
    Win32Outcome finish(HANDLE port, Win32Request &request, DWORD ms);
    // Waits up to `ms` in all for every request still under way to end, after the caller has
    // cancelled them. False when one did not: then this object must never be freed.
    bool settle(DWORD ms);
};

} // namespace talvor
