#pragma once

#include <optional>
#include <string>
#include <vector>

#include "traced_text.h"

namespace orv::ras {

// Splits the command of a peer's connect line (pppd runs it with /bin/sh -c) into words, the
// way that shell would: blanks separate, '...' and "..." quote, a backslash escapes. Nothing
// when the command does more than run one program (pipes, ";", redirections, "$", back
// quotes, a second line): such a command is not read any further, and it is never run here.
std::optional<std::vector<TracedText>> splitShellWords(const TracedText& command);

// How a connect command runs chat: a script file (-f), a phone number for "\T" (-T), or
// the script itself as the remaining words.
struct ChatCall {
  std::optional<TracedText> scriptFile;
  std::optional<TracedText> phone;
  std::vector<TracedText> script;
};

// The chat call of a connect command split into `words`, or nothing when the command is
// not chat (any folder, any name ending in "/chat") or passes options chat does not know.
std::optional<ChatCall> parseChatCall(const std::vector<TracedText>& words);

// The strings of a chat script file in order (expect, send, expect, ...), quotes removed
// and chat's own escapes kept. Nothing when chat would refuse the file (an unclosed quote).
std::optional<std::vector<TracedText>> splitChatScript(const std::string& file);

// The number a chat script dials and where it comes from.
struct DialString {
  TracedText number;            // as dialled; origins in the chat script's own text
  bool viaPhoneOption = false;  // all of it comes from chat -T through "\T"
  bool mixed = false;           // partly written in the script, partly through "\T"
  std::size_t insertAt = 0;     // origin just behind the dial command (where an empty number goes)
};

// The first dial command (ATD, ATDT, ATDP, also behind other commands such as ATX3DT) among
// the strings chat sends, with "\T" standing for `phone` (chat -T). Keyword pairs (ABORT,
// TIMEOUT, ...) are passed over. Nothing when the script dials nothing.
std::optional<DialString> findDialString(const std::vector<TracedText>& strings,
                                         const std::optional<TracedText>& phone);

}  // namespace orv::ras
