// The entry editor writes back exactly the value the user changed, in place, and nothing
// else of the peer file, the chat script or the secrets files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "entry_editor.h"
#include "support/as_ordinary_user.h"
#include "support/temp_dir.h"

using namespace orv::ras;

namespace {

namespace fs = std::filesystem;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A ppp folder with the peer "isp", its chat script beside it and a pap-secrets file.
class EditorWorld {
 public:
  EditorWorld(const std::string& peer, const std::string& chat, const std::string& pap) {
    fs::create_directories(m_root.path() / "ppp/peers");
    fs::create_directories(m_root.path() / "chatscripts");
    m_root.write("chatscripts/isp", chat);
    std::string text = peer;
    const std::size_t at = text.find("CHAT");
    if (at != std::string::npos) text.replace(at, 4, chatPath());
    m_root.write("ppp/peers/isp", text);
    if (!pap.empty()) m_root.write("ppp/pap-secrets", pap);
  }
  PppPaths paths() const { return {m_root.file("ppp"), "", ""}; }
  std::string peerPath() const { return m_root.file("ppp/peers/isp"); }
  std::string chatPath() const { return m_root.file("chatscripts/isp"); }
  std::string papPath() const { return m_root.file("ppp/pap-secrets"); }
  std::string chapPath() const { return m_root.file("ppp/chap-secrets"); }
  const orvtest::TempDir& root() const { return m_root; }

 private:
  orvtest::TempDir m_root;
};

const std::string kPeer =
    "# Provider isp -- written by hand\n/dev/ttyS0\n115200\n\nuser \"alice\"   # the login\n"
    "connect \"/usr/sbin/chat -v -f CHAT\"\nnoauth\n";
const std::string kChat = "ABORT BUSY\n# dial\n'' ATZ\nOK \"ATDT0190123\"\nCONNECT ''\n";
const std::string kPap =
    "# Secrets for authentication using PAP\nbob * \"bobs\"\nalice * "
    "\"old secret\" 10.0.0.1 # keep\n*\t*\tguest\n";

struct EditCase {
  const char* title;
  std::function<void(EntryValues&)> change;
  std::string peerAfter;  // with CHAT for the chat script's path
  std::string chatAfter;
  std::string papAfter;
};

class EntryEditorSave : public ::testing::TestWithParam<EditCase> {};

TEST_P(EntryEditorSave, ChangesOnlyTheEditedValue) {
  const EditCase& c = GetParam();
  EditorWorld world(kPeer, kChat, kPap);
  const EntryEditor editor(world.paths());
  EntryEditPlan plan;
  ASSERT_EQ(editor.load("isp", plan), 0u);
  ASSERT_TRUE(plan.number.writable && plan.user.writable && plan.password.writable);
  EXPECT_EQ(plan.values.number, "0190123");
  EXPECT_EQ(plan.values.user, "alice");
  EXPECT_EQ(plan.values.password, "old secret");

  EntryValues values = plan.values;
  c.change(values);
  EXPECT_EQ(editor.save(plan, values), "");
  std::string peer = c.peerAfter;
  peer.replace(peer.find("CHAT"), 4, world.chatPath());
  EXPECT_EQ(readFile(world.peerPath()), peer);
  EXPECT_EQ(readFile(world.chatPath()), c.chatAfter);
  EXPECT_EQ(readFile(world.papPath()), c.papAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Values, EntryEditorSave,
    ::testing::Values(
        EditCase{"Number", [](EntryValues& v) { v.number = "+4930555"; }, kPeer,
                 "ABORT BUSY\n# dial\n'' ATZ\nOK \"ATDT+4930555\"\nCONNECT ''\n", kPap},
        EditCase{"User", [](EntryValues& v) { v.user = "carol smith"; },
                 "# Provider isp -- written by hand\n/dev/ttyS0\n115200\n\nuser \"carol smith\"  "
                 " # the login\nconnect \"/usr/sbin/chat -v -f CHAT\"\nnoauth\n",
                 kChat,
                 // The new user has no secret yet: it gets the password on a line of its own.
                 kPap + "\"carol smith\" * \"old secret\"\n"},
        EditCase{"UserRemoved",
                 [](EntryValues& v) {
                   v.user.clear();
                   v.password.clear();
                 },
                 "# Provider isp -- written by hand\n/dev/ttyS0\n115200\n\n   # the "
                 "login\nconnect \"/usr/sbin/chat -v -f CHAT\"\nnoauth\n",
                 kChat, kPap},
        EditCase{"Password", [](EntryValues& v) { v.password = "new \"one\""; }, kPeer, kChat,
                 "# Secrets for authentication using PAP\nbob * \"bobs\"\nalice * \"new "
                 "\\\"one\\\"\" 10.0.0.1 # keep\n*\t*\tguest\n"}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(EntryEditor, AddsUserOptionAndSecretsWhereThereWereNone) {
  EditorWorld world("/dev/ttyS0\nconnect \"chat -f CHAT\"", kChat, "");
  const EntryEditor editor(world.paths());
  EntryEditPlan plan;
  ASSERT_EQ(editor.load("isp", plan), 0u);
  EntryValues values = plan.values;
  values.user = "dave";
  values.password = "pw";
  ASSERT_EQ(editor.save(plan, values), "");
  EXPECT_EQ(readFile(world.peerPath()),
            "/dev/ttyS0\nconnect \"chat -f " + world.chatPath() + "\"\nuser dave\n");
  for (const std::string& secrets : {world.papPath(), world.chapPath()}) {
    EXPECT_EQ(readFile(secrets), "dave * pw\n");
    struct stat info {};
    ASSERT_EQ(::stat(secrets.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << secrets;
  }
}

TEST(EntryEditor, RefusesBadValuesAndStaleFilesWithoutWriting) {
  EditorWorld world(kPeer, kChat, kPap);
  const EntryEditor editor(world.paths());
  EntryEditPlan plan;
  ASSERT_EQ(editor.load("isp", plan), 0u);

  EntryValues values = plan.values;
  values.number = "0190; rm -rf /";
  EXPECT_NE(editor.save(plan, values), "");
  values = plan.values;
  values.user = "a\nb";
  EXPECT_NE(editor.save(plan, values), "");

  // Changed by someone else after the dialog read it: the old positions no longer fit.
  world.root().write("chatscripts/isp", "OK ATDT1\n" + kChat);
  values = plan.values;
  values.number = "0800";
  EXPECT_NE(editor.save(plan, values), "");
  EXPECT_EQ(readFile(world.chatPath()), "OK ATDT1\n" + kChat);
  EXPECT_EQ(readFile(world.papPath()), kPap);
}

// Changes the number of "isp" to `number`: the message, or empty when it was saved.
std::string saveNumber(const EditorWorld& world, const std::string& number) {
  EntryEditPlan plan;
  if (EntryEditor(world.paths()).load("isp", plan) != 0) return "not loaded";
  EntryValues values = plan.values;
  values.number = number;
  return EntryEditor(world.paths()).save(plan, values);
}

TEST(EntryEditor, NeverWritesANumberTheShellWouldTakeForAComment) {
  // Through "\T", the number is a word of its own in the connect command that sh runs.
  EditorWorld world("connect \"chat -T 0190123 -f CHAT\"\n", "OK ATDT\\T\n", "");
  const std::string result = saveNumber(world, "#31#0800");
  EntryEditPlan plan;
  ASSERT_EQ(EntryEditor(world.paths()).load("isp", plan), 0u);
  EXPECT_TRUE(!result.empty() || plan.values.number == "#31#0800") << readFile(world.peerPath());
}

TEST(EntryEditor, KeepsTheGroupOfAFileAGroupMemberRewrites) {
  // A chat script the dial-up group may change, changed by one of its members.
  constexpr gid_t kDialGroup = 4242;
  EditorWorld world(kPeer, kChat, kPap);
  for (const std::string& path : {world.root().file("chatscripts"), world.chatPath()}) {
    ASSERT_EQ(::chown(path.c_str(), 0, kDialGroup), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0770), 0);
  }
  const auto outcome = runAsOrdinaryUser(
      world.root().file(""), [&] { return saveNumber(world, "0800").empty(); }, kDialGroup);
  ASSERT_EQ(outcome, OrdinaryUserRun::Held);
  struct stat info {};
  ASSERT_EQ(::stat(world.chatPath().c_str(), &info), 0);
  EXPECT_EQ(info.st_gid, kDialGroup);
  EXPECT_EQ(info.st_mode & 07777, 0770u);
}

TEST(EntryEditor, ShowsFilesItMayNotWriteReadOnlyWithTheReason) {
  orvtest::TempDir elsewhere;
  elsewhere.write("chat", kChat);
  EditorWorld world("connect \"chat -f " + elsewhere.file("chat") + "\"\nuser alice\n", "", "");
  // A peer that is a link: shown, but never written through.
  fs::create_symlink(world.peerPath(), world.root().path() / "ppp/peers/linked");
  const EntryEditor editor(world.paths());

  EntryEditPlan plan;
  ASSERT_EQ(editor.load("isp", plan), 0u);
  EXPECT_EQ(plan.values.number, "0190123");
  EXPECT_FALSE(plan.number.writable);
  EXPECT_NE(plan.number.reason.find("außerhalb"), std::string::npos) << plan.number.reason;
  EXPECT_TRUE(plan.user.writable);

  ASSERT_EQ(editor.load("linked", plan), 0u);
  EXPECT_FALSE(plan.user.writable);
  EXPECT_NE(plan.user.reason.find("Verknüpfung"), std::string::npos) << plan.user.reason;
  EntryValues values = plan.values;
  values.user = "mallory";
  EXPECT_NE(editor.save(plan, values), "");
  EXPECT_TRUE(fs::is_symlink(world.root().path() / "ppp/peers/linked"));
}

}  // namespace
