#include "engine/VolgaSession.h"

#include "platform/rtl/CodePage.h"

#include <algorithm>

namespace kvz {

TVolgaSession& VolgaSession() {
    static TVolgaSession session;
    return session;
}

std::string PasswordKey(const std::string& password) {
    std::string key;
    // A password that the code page cannot hold can fit no table of it; its UTF-8 bytes then
    // serve as the key, which only a table saved under the same password opens.
    if (!TryUtf8ToCodePage(password, DataCodePage(), key)) key = password;
    return key;
}

void TVolgaSession::AddPassword(const std::string& password) {
    if (password.empty()) return;
    auto it = std::lower_bound(passwords_.begin(), passwords_.end(), password,
                               [](const std::string& a, const std::string& b) { return CompareTextUtf8(a, b) < 0; });
    if (it != passwords_.end() && CompareTextUtf8(*it, password) == 0) return;
    passwords_.insert(it, password);
}

void TVolgaSession::RemovePassword(const std::string& password) {
    auto it = std::find_if(passwords_.begin(), passwords_.end(),
                           [&](const std::string& p) { return CompareTextUtf8(p, password) == 0; });
    if (it != passwords_.end()) passwords_.erase(it);
}

bool TVolgaSession::PasswordFits(const TCheckBlock& stored, const std::string& password, TCheckBlock& plainOut) {
    return TestCheckBlock(stored, PasswordKey(password), cipher_, plainOut);
}

void TVolgaSession::AddDatabase(TVolgaDatabase* database) {
    if (std::find(databases_.begin(), databases_.end(), database) == databases_.end()) databases_.push_back(database);
}

void TVolgaSession::RemoveDatabase(TVolgaDatabase* database) {
    databases_.erase(std::remove(databases_.begin(), databases_.end(), database), databases_.end());
}

bool TVolgaSession::AskPassword(std::string& text) { return prompt_ && prompt_(text); }

bool TVolgaSession::CheckPassword(TCheckBlock& block, std::string& tablePassword) {
    TCheckBlock plain;
    if (!tablePassword.empty() && PasswordFits(block, tablePassword, plain)) {
        block = plain;
        return true;
    }
    for (const std::string& known : passwords_) {
        if (PasswordFits(block, known, plain)) {
            block = plain;
            tablePassword = known;
            return true;
        }
    }
    std::string typed = tablePassword;
    const int limit = AttemptLimit();
    for (int attempt = 1; attempt <= limit; ++attempt) {
        if (!AskPassword(typed)) return false;
        if (PasswordFits(block, typed, plain)) {
            block = plain;
            tablePassword = typed;
            AddPassword(typed);
            return true;
        }
        if (attempt < limit && shower_) shower_("Password is invalid. Try again");
    }
    return false;
}

} // namespace kvz
