// The "Close" message to the two outside pipe servers of the package, sent when a printer or
// the driver is deleted so that they let go of what they hold for it.
#pragma once

#include <win/base.h>

namespace vm4k2ui {

inline constexpr const WCHAR* kXpsPipe = u"\\\\.\\pipe\\xpsnamedpipe";
inline constexpr const WCHAR* kDuplexPipe = u"\\\\.\\pipe\\duplexnamedpipe";
// PipeCloseMessage: the UTF-16 text "Close" with its terminator, one message.
inline constexpr WCHAR kPipeCloseMessage[] = u"Close";
inline constexpr DWORD kPipeCloseMessageBytes = sizeof kPipeCloseMessage;
static_assert(kPipeCloseMessageBytes == 12);
// How long, in all, a pipe whose instances are all taken is waited for.
inline constexpr DWORD kPipeBusyDeadlineMs = 20000;

// Writes PipeCloseMessage to the pipe. A pipe that does not exist is given up at once, a busy
// one after kPipeBusyDeadlineMs of the machine's clock; TRUE when the message was written.
BOOL SendPipeClose(const WCHAR* pipePath);
BOOL SendXpsPipeClose();
BOOL SendDuplexPipeClose();

}  // namespace vm4k2ui
