#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FakeShellLauncher.h"
#include "widgets/LinkClick.h"

namespace {

struct Clicked {
  int about = 0;
  int help = 0;
};

class LinkClickTest : public testing::Test {
 protected:
  void SetUp() override {
    SetLinkCommands({[this] { ++m_Clicked.about; }, [this] { ++m_Clicked.help; }});
  }
  void TearDown() override { SetLinkCommands({}); }

  LinkClickContext Context(int id = 1167) {
    LinkClickContext c;
    c.controlId = id;
    c.ipText = &m_Ip;
    c.readLocalIp = [this] { return m_SystemIp; };
    return c;
  }

  ScopedFakeLauncher m_Launcher;
  Clicked m_Clicked;
  std::string m_Ip;
  std::string m_SystemIp = "192.0.2.7";
};

TEST_F(LinkClickTest, FixedTextsRunTheirCommandsAndMarkVisited) {
  EXPECT_TRUE(RunLinkClick("Contact Us", Context()));
  EXPECT_TRUE(RunLinkClick("Contents", Context()));
  EXPECT_EQ(m_Clicked.about, 1);
  EXPECT_EQ(m_Clicked.help, 1);
  EXPECT_TRUE(m_Launcher.fake.opened.empty());
  // Exact and case-sensitive: any other spelling is an address for the desktop.
  m_Launcher.fake.succeed = false;
  EXPECT_FALSE(RunLinkClick("contact us", Context()));
  EXPECT_EQ(m_Clicked.about, 1);
}

TEST_F(LinkClickTest, TheMakersAddressesOpenAMail) {
  EXPECT_TRUE(RunLinkClick(kSupportAddress, Context()));
  EXPECT_TRUE(RunLinkClick(kSalesAddress, Context()));
  EXPECT_EQ(m_Launcher.fake.opened, (std::vector<std::string>{"mailto:support@softdovrane.example",
                                                              "mailto:sales@softdovrane.example"}));
}

TEST_F(LinkClickTest, OtherTextGoesToTheDesktopWithThePrefix) {
  LinkClickContext c = Context();
  c.prefix = "https://";
  EXPECT_TRUE(RunLinkClick("www.softdovrane.example", c));
  EXPECT_EQ(m_Launcher.fake.opened, std::vector<std::string>{"https://www.softdovrane.example"});
}

TEST_F(LinkClickTest, TextTheDesktopCannotOpenBecomesAMailToIt) {
  // A bare address has no scheme, so the desktop refuses it and a mail to it follows, with the
  // address as To and Cc, cut to 32 characters.
  const std::string longAddress = "someone.with.a.long.name@softdovrane.example";
  EXPECT_TRUE(RunLinkClick(longAddress, Context()));
  ASSERT_EQ(m_Launcher.fake.opened.size(), 2u);
  EXPECT_EQ(m_Launcher.fake.opened[0], longAddress);
  EXPECT_EQ(m_Launcher.fake.opened[1],
            "mailto:someone.with.a.long.name@softdov?cc=someone.with.a.long.name@softdov");
  EXPECT_EQ(m_Ip, "192.0.2.7");
}

TEST_F(LinkClickTest, EmailSendsTheLocalAddressOnlyFromItsOwnLink) {
  EXPECT_TRUE(RunLinkClick("Email", Context(kEmailLinkId)));
  ASSERT_EQ(m_Launcher.fake.opened.size(), 2u);
  EXPECT_EQ(m_Launcher.fake.opened[1],
            "mailto:support@softdovrane.example?cc=support@softdovrane.example"
            "&subject=IP%20Address%20%3A%20192.0.2.7"
            "&body=My%20Current%20IP%20Address%20%3A%20192.0.2.7");

  // Another link with that text sends nothing but still counts as clicked.
  m_Launcher.fake.opened.clear();
  EXPECT_TRUE(RunLinkClick("Email", Context(1167)));
  EXPECT_EQ(m_Launcher.fake.opened, std::vector<std::string>{"Email"});

  // Without an address the last one read is kept.
  m_SystemIp.clear();
  EXPECT_TRUE(RunLinkClick("Email", Context(kEmailLinkId)));
  EXPECT_NE(m_Launcher.fake.opened.back().find("192.0.2.7"), std::string::npos);
}

TEST_F(LinkClickTest, AFailedLaunchLeavesTheLinkUnvisited) {
  m_Launcher.fake.succeed = false;
  EXPECT_FALSE(RunLinkClick("https://www.softdovrane.example", Context()));
  EXPECT_EQ(m_Launcher.fake.opened.size(), 2u);  // the page, then the mail
  // A link without a parent does not fall back to mail; it counts as clicked.
  LinkClickContext orphan = Context();
  orphan.hasParent = false;
  EXPECT_TRUE(RunLinkClick("https://www.softdovrane.example", orphan));
  EXPECT_EQ(m_Launcher.fake.opened.size(), 3u);
}

TEST(LinkText, CharactersAndMailEncoding) {
  EXPECT_EQ(FirstCharacters("\xC3\xA9t\xC3\xA9", 2), "\xC3\xA9t");
  EXPECT_EQ(FirstCharacters("ab", 5), "ab");
  EXPECT_EQ(MailtoAddress("a&b?c@x.example", "", "s&t", "line\nnext"),
            "mailto:a%26b%3Fc@x.example?subject=s%26t&body=line%0Anext");
}

TEST(LaunchableAddress, OnlyAddressesWithASchemeLeaveTheProgram) {
  struct Case {
    const char* address;
    bool launchable;
  } const cases[] = {
      {"https://www.softdovrane.example", true},
      {"mailto:support@softdovrane.example", true},
      {"support@softdovrane.example", false},
      {"C:\\help.htm", false},
      {"-e evil", false},
      {"https://x.example/\nsecond line", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsLaunchableAddress(c.address), c.launchable) << c.address;
}

}  // namespace
