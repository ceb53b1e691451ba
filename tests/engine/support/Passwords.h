// Password providers for tests: a script of answers that fails the test
// when asked once more than scripted, and one fixed password that has
// nothing else to offer once it did not fit.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/crypto/PasswordProvider.h"

namespace valbrix::test {

// Answers from a list; a question beyond the list fails the test, so a
// driver that asks more often than it should is caught.
class ScriptedPasswords : public TPasswordProvider {
public:
    struct Answer {
        TPasswordAnswer Kind;
        std::string Password;
    };
    explicit ScriptedPasswords(std::vector<Answer> answers) : Answers(std::move(answers)) {}
    TPasswordAnswer AskPassword(bool wrongBefore, TSecret& password) override
    {
        WrongFlags.push_back(wrongBefore);
        if (Asked >= Answers.size()) {
            ADD_FAILURE() << "password asked once more than scripted";
            return paCancelled;
        }
        const Answer& answer = Answers[Asked++];
        password = TSecret(answer.Password);
        return answer.Kind;
    }
    std::vector<Answer> Answers;
    size_t Asked = 0;
    std::vector<bool> WrongFlags;  // wrongBefore of each question
};

// Always the same password, however often it is asked.
class FixedPassword : public TPasswordProvider {
public:
    explicit FixedPassword(std::string password) : Password(std::move(password)) {}
    TPasswordAnswer AskPassword(bool wrongBefore, TSecret& password) override
    {
        if (wrongBefore)
            return paNoOther;
        password = TSecret(Password);
        return paGiven;
    }
    std::string Password;
};

}  // namespace valbrix::test
