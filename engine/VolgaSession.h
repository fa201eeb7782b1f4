// The engine-wide session: the one cipher of the engine and the table passwords known in this
// run, so that after the first password table of a user opens the others open without asking.
#pragma once

#include "engine/VolgaAlg.h"

#include <functional>
#include <string>
#include <vector>

namespace kvz {

class TVolgaDatabase;

class TVolgaSession {
public:
    // Shows the password dialog with the given text; true with the typed text on OK.
    using PasswordPrompt = std::function<bool(std::string& text)>;
    // Shows a plain message box.
    using MessageShower = std::function<void(const std::string& message)>;

    TVolgaSession() = default;
    TVolgaSession(const TVolgaSession&) = delete;
    TVolgaSession& operator=(const TVolgaSession&) = delete;

    TSapphire& Cipher() { return cipher_; }

    // Passwords are UTF-8; compared without regard to case, an entry is added once.
    void AddPassword(const std::string& password);
    void RemovePassword(const std::string& password);
    const std::vector<std::string>& Passwords() const { return passwords_; }

    // Replaces the stored block by its plain form when a password fits; the table's password
    // is then the one that fitted. Tries the table's own password, the known ones, then asks.
    bool CheckPassword(TCheckBlock& block, std::string& tablePassword);
    // True when the password (UTF-8) fits the stored block; plainOut receives the plain block.
    bool PasswordFits(const TCheckBlock& stored, const std::string& password, TCheckBlock& plainOut);
    bool AskPassword(std::string& text);

    int AttemptLimit() const { return attemptLimit_ < 1 ? 3 : attemptLimit_; }
    void SetAttemptLimit(int limit) { attemptLimit_ = limit; }
    // Set by the program at start (InstallPasswordPrompt in core); without a prompt a table
    // whose password the session does not know stays closed.
    void SetPasswordPrompt(PasswordPrompt prompt) { prompt_ = std::move(prompt); }
    void SetMessageShower(MessageShower shower) { shower_ = std::move(shower); }

    // The databases of the run; each registers itself while it exists.
    void AddDatabase(TVolgaDatabase* database);
    void RemoveDatabase(TVolgaDatabase* database);
    const std::vector<TVolgaDatabase*>& Databases() const { return databases_; }

private:
    TSapphire cipher_;
    std::vector<std::string> passwords_;
    int attemptLimit_ = 3;
    PasswordPrompt prompt_;
    MessageShower shower_;
    std::vector<TVolgaDatabase*> databases_;
};

// The session of the run.
TVolgaSession& VolgaSession();

// A password as the cipher keys it: the data code page's bytes, so that passwords with
// national letters of old files still fit.
std::string PasswordKey(const std::string& password);

} // namespace kvz
