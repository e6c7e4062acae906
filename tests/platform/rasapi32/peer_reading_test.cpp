// What the service reads from a peer: the number really dialled (through chat scripts, -T
// and inline scripts), where it stands for the editor, the number's fields, entry names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "phone_number.h"
#include "phonebook.h"
#include "support/temp_dir.h"

using namespace orv::ras;

namespace {

struct PeerCase {
  const char* title;
  std::string peer;  // "CHAT" stands for the chat script's path
  std::string chat;  // empty: no chat script file
  std::string number;
  NumberPlace place;
  bool inPeerFile;  // where a Found number stands
};

std::string replaced(std::string text, const std::string& what, const std::string& with) {
  for (std::size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
  return text;
}

class PeerNumber : public ::testing::TestWithParam<PeerCase> {};

TEST_P(PeerNumber, IsTheNumberChatDials) {
  const PeerCase& c = GetParam();
  orvtest::TempDir root;
  std::filesystem::create_directories(root.path() / "ppp/peers");
  const std::string chat = root.file("provider.chat");
  if (!c.chat.empty()) root.write("provider.chat", c.chat);
  root.write("ppp/peers/provider", replaced(c.peer, "CHAT", chat));

  PeerEntry entry;
  ASSERT_EQ(Phonebook({root.file("ppp"), "", ""}).load("provider", entry), 0u);
  EXPECT_EQ(entry.number, c.number);
  EXPECT_EQ(entry.numberPlace, c.place);
  if (c.place != NumberPlace::Found) return;
  EXPECT_EQ(entry.numberFile, c.inPeerFile ? entry.path : chat);
  const std::string file = c.inPeerFile ? entry.content : c.chat;
  const FileSpan at = entry.numberSpan;
  EXPECT_EQ(file.substr(at.begin, at.end - at.begin), c.number);
}

const std::string kDebianChat = "ABORT BUSY\n'' ATZ\nOK ATDT0190123456\nCONNECT ''\n";

INSTANTIATE_TEST_SUITE_P(
    Peers, PeerNumber,
    ::testing::Values(
        PeerCase{"ChatScriptFile", "/dev/ttyS0\nconnect \"/usr/sbin/chat -v -f CHAT\"\n",
                 kDebianChat, "0190123456", NumberPlace::Found, false},
        PeerCase{"PhoneOptionT", "connect \"/usr/sbin/chat -v -T 0900555 -f CHAT\"\n",
                 "'' ATZ OK ATDT\\T CONNECT ''\n", "0900555", NumberPlace::Found, true},
        PeerCase{"PhoneOptionAttached", "connect 'chat -T0190777 -f CHAT'\n",
                 "'' ATZ OK ATDT\\T CONNECT ''\n", "0190777", NumberPlace::Found, true},
        PeerCase{"InlineScript", "connect \"/usr/sbin/chat -v '' ATZ OK ATDP0190999 CONNECT ''\"\n",
                 "", "0190999", NumberPlace::Found, true},
        PeerCase{"CommandsBeforeDial", "connect \"chat -f CHAT\"\n",
                 "'' ATZ OK ATX3M0DT0,0190444 CONNECT ''\n", "0,0190444", NumberPlace::Found,
                 false},
        PeerCase{"MobileAfterExtendedCommand", "connect \"chat -f CHAT\"\n",
                 "'' 'AT+CGDCONT=1,\"IP\",\"web\"' OK ATD*99# CONNECT ''\n", "*99#",
                 NumberPlace::Found, false},
        PeerCase{"KeywordArgumentIsNoSendString", "connect \"chat -f CHAT\"\n",
                 "ABORT ATDT999\n'' ATZ\nOK ATDT0190111\n", "0190111", NumberPlace::Found, false},
        PeerCase{"ExpectStringIsNotDialled", "connect \"chat -f CHAT\"\n",
                 "ATDT555 ATZ OK ATDT0190222\n", "0190222", NumberPlace::Found, false},
        PeerCase{"ShellPipelineIsNotRead", "connect \"chat -f CHAT | tee /tmp/x\"\n", kDebianChat,
                 "", NumberPlace::NotChat, false},
        PeerCase{"OwnScript", "connect /etc/ppp/dial-it\n", "", "", NumberPlace::NotChat, false},
        PeerCase{"UnclosedQuoteInChat", "connect \"chat -f CHAT\"\n", "'' 'ATZ\nOK ATDT0190\n", "",
                 NumberPlace::NoDial, false},
        PeerCase{"UnclosedQuoteInPeer", "connect \"/usr/sbin/chat -v -f CHAT\nuser bob\n",
                 kDebianChat, "", NumberPlace::NotChat, false},
        PeerCase{"TWithoutPhoneOption", "connect \"chat -f CHAT\"\n", "OK ATDT\\T\n", "",
                 NumberPlace::Escaped, false},
        PeerCase{"Mixed", "connect \"chat -T 123 -f CHAT\"\n", "OK ATDT0\\T\n", "0123",
                 NumberPlace::Mixed, false},
        PeerCase{"DslDialsNothing", "plugin rp-pppoe.so\nnic-eth0\nuser x\n", "", "",
                 NumberPlace::NoConnect, false},
        PeerCase{"ScriptIsADevice", "connect \"chat -f /dev/zero\"\n", "", "",
                 NumberPlace::Unreadable, false},
        PeerCase{"EscapedInPeerFile", "connect \"/usr/sbin/chat '' ATZ OK ATDT01\\x390\"\n", "",
                 "0190", NumberPlace::Escaped, false}),
    [](const auto& info) { return std::string(info.param.title); });

struct PhoneCase {
  const char* dialString;
  std::uint32_t country;
  const char* local;
};

class PhoneMapping : public ::testing::TestWithParam<PhoneCase> {};

// The program shows "+" country " (" area ") " local; it must read as what is dialled.
TEST_P(PhoneMapping, ShowsWhatIsDialled) {
  const PhoneFields f = splitDialString(GetParam().dialString);
  EXPECT_EQ(f.countryId, GetParam().country);
  EXPECT_EQ(f.countryCode, GetParam().country);
  EXPECT_EQ(f.areaCode, "");
  EXPECT_EQ(f.localNumber, GetParam().local);
  EXPECT_EQ(f.useCountryAndArea, GetParam().country != 0);
}

INSTANTIATE_TEST_SUITE_P(Numbers, PhoneMapping,
                         ::testing::Values(PhoneCase{"+4930123456", 49, "30123456"},
                                           PhoneCase{"+1 212 5550100", 1, "212 5550100"},
                                           PhoneCase{"+35312345", 353, "12345"},
                                           PhoneCase{"0190123456", 0, "0190123456"},
                                           PhoneCase{"0,0190123", 0, "0,0190123"},
                                           PhoneCase{"+49", 0, "+49"},
                                           PhoneCase{"+0190", 0, "+0190"}));

TEST(EntryNames, PassOverLeftoversAndUnsafeNames) {
  for (const std::string& name : std::vector<std::string>{"provider", "T-Online ISDN",
                                                          "\xC3\x9C"
                                                          "ber",
                                                          std::string(256, 'n')})
    EXPECT_TRUE(isEntryName(name)) << name;
  for (const std::string& name :
       std::vector<std::string>{"", ".hidden", "-T", "provider~", "provider.bak",
                                "provider.dpkg-old", "provider.ucf-dist", "provider.rpmnew",
                                "tab\tname", "line\nbreak", std::string(257, 'n')})
    EXPECT_FALSE(isEntryName(name)) << name;
}

}  // namespace
