#include "engine/VolgaAlg.h"
#include "engine/VolgaSession.h"

#include "EngineTestUtil.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

TEST(Sapphire, MatchesFixedVectorsAndDeciphersWhatItEnciphered) {
    struct Case { std::string key, cipherHex; };
    for (const Case& c : {Case{"", "b1db37766ca4fcce526d775dd268847cbf2f"},
                          Case{"heslo", "de917c0fcbf21284b62d43317419b56fbcf5"},
                          Case{"\xe8\x9e\xfd", "ccc5e6bae4df9bcd879c19780aa8d0c753c4"}}) {
        TSapphire cipher;
        std::string text = "Hello, table body!";
        cipher.SetKey(c.key);
        cipher.EncryptBuffer(text.data(), text.size());
        EXPECT_EQ(ToHex(text), c.cipherHex) << c.key;
        cipher.SetKey(c.key);
        cipher.DecryptBuffer(text.data(), text.size());
        EXPECT_EQ(text, "Hello, table body!");
    }
}

TEST(Sapphire, CheckBlockFitsOnlyItsPassword) {
    EXPECT_EQ(Crc16("123456789"), 0x4B37); // the published check value of this CRC
    TSapphire cipher;
    const std::string guid = "{11111111-2222-3333-4444-555555555555}";
    const TCheckBlock plain = MakePlainCheckBlock(guid);
    EXPECT_EQ(plain[38], 0xe8);
    EXPECT_EQ(plain[39], 0x8d);
    const TCheckBlock stored = EncipherCheckBlock(plain, "heslo", cipher);
    TCheckBlock out{};
    EXPECT_FALSE(TestCheckBlock(stored, "Heslo", cipher, out));
    EXPECT_FALSE(TestCheckBlock(stored, "", cipher, out));
    ASSERT_TRUE(TestCheckBlock(stored, "heslo", cipher, out));
    EXPECT_EQ(CheckBlockText(out), guid);
}

class SessionTest : public ::testing::Test {
protected:
    TVolgaSession session;
    std::vector<std::string> prompts, messages;
    std::vector<std::string> answers; // "" with cancel = true ends
    TCheckBlock stored{};

    void SetUp() override {
        TCheckBlock plain = MakePlainCheckBlock("{11111111-2222-3333-4444-555555555555}");
        stored = EncipherCheckBlock(plain, PasswordKey("Žltý"), session.Cipher());
        session.SetPasswordPrompt([this](std::string& text) {
            prompts.push_back(text);
            if (prompts.size() > answers.size() || answers[prompts.size() - 1] == "<cancel>") return false;
            text = answers[prompts.size() - 1];
            return true;
        });
        session.SetMessageShower([this](const std::string& m) { messages.push_back(m); });
    }
};

TEST_F(SessionTest, ThreeWrongPasswordsShowTheRetryMessageTwiceThenFail) {
    answers = {"a", "b", "c"};
    std::string password;
    TCheckBlock block = stored;
    EXPECT_FALSE(session.CheckPassword(block, password));
    EXPECT_EQ(prompts, (std::vector<std::string>{"", "a", "b"})); // the edit shows the text typed last
    EXPECT_EQ(messages, (std::vector<std::string>(2, "Password is invalid. Try again")));
}

TEST_F(SessionTest, CancelFailsAtOnceWithoutAMessage) {
    answers = {"<cancel>"};
    std::string password;
    TCheckBlock block = stored;
    EXPECT_FALSE(session.CheckPassword(block, password));
    EXPECT_EQ(prompts.size(), 1u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(SessionTest, ATypedPasswordIsRememberedSoTheNextTableOpensWithoutAPrompt) {
    answers = {"wrong", "Žltý"};
    std::string password;
    TCheckBlock block = stored;
    ASSERT_TRUE(session.CheckPassword(block, password));
    EXPECT_EQ(password, "Žltý");
    EXPECT_EQ(CheckBlockText(block), "{11111111-2222-3333-4444-555555555555}");
    std::string second;
    block = stored;
    EXPECT_TRUE(session.CheckPassword(block, second));
    EXPECT_EQ(prompts.size(), 2u);
    // A case variant of a known password is not a second entry.
    session.AddPassword("žltý");
    EXPECT_EQ(session.Passwords().size(), 1u);
    session.RemovePassword("ŽLTÝ");
    EXPECT_TRUE(session.Passwords().empty());
}

} // namespace
} // namespace kvz
