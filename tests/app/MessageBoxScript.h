// A scripted stand-in for the message box: tests queue the answers they
// expect to be asked for; each question takes the next answer and is kept
// for inspection. A question with no answer queued, or an answer left
// unasked when the script ends, fails the test. Given a window's seam, it
// answers that window's boxes until it ends (the seam's owner must outlive it).
#pragma once

#include <functional>

#include <QList>
#include <QTest>

#include "app/dialogs/MessageBox.h"

namespace valbrix::test {

class TMessageBoxScript : public TMessageBoxPresenter {
public:
    TMessageBoxScript() = default;
    explicit TMessageBoxScript(TMessageBoxPresenter*& seam) : FSeam(&seam) { seam = this; }
    TMessageBoxScript(const TMessageBoxScript&) = delete;
    TMessageBoxScript& operator=(const TMessageBoxScript&) = delete;
    ~TMessageBoxScript() override
    {
        if (FSeam && *FSeam == this)
            *FSeam = &DialogPresenter();
        if (!FAnswers.isEmpty())
            QTest::qFail(qPrintable(QStringLiteral("%1 scripted answer(s) never asked for").arg(FAnswers.size())),
                         __FILE__, __LINE__);
    }
    void Answer(int answer) { FAnswers.append({answer, false}); }
    // Answers with the box's check box ticked; a box without one fails the test.
    void AnswerTicked(int answer) { FAnswers.append({answer, true}); }
    int Present(const TMessageBoxRequest& request) override
    {
        // The check box's state lives in the asker's frame, gone after the
        // call: the kept copy must not point there.
        Asked.append(request);
        Asked.last().CheckBoxChecked = nullptr;
        if (OnAsk)
            OnAsk(request);
        if (FAnswers.isEmpty()) {
            QTest::qFail(qPrintable(QStringLiteral("unexpected message box: ") + request.Text), __FILE__, __LINE__);
            return idCancel;
        }
        const TScripted next = FAnswers.takeFirst();
        if (next.Ticked && !request.CheckBoxChecked)
            QTest::qFail(qPrintable(QStringLiteral("no check box to tick: ") + request.Text), __FILE__, __LINE__);
        else if (request.CheckBoxChecked)
            *request.CheckBoxChecked = next.Ticked;
        return next.Answer;
    }
    QList<TMessageBoxRequest> Asked;
    // Runs as each box is asked, to look at the window behind it.
    std::function<void(const TMessageBoxRequest&)> OnAsk;

private:
    struct TScripted {
        int Answer;
        bool Ticked;
    };
    QList<TScripted> FAnswers;
    TMessageBoxPresenter** FSeam = nullptr;
};

}  // namespace valbrix::test
