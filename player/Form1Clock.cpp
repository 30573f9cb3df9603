// The moving displays: the elapsed-time clock (Timer2, once a second) and
// the two scrolling strips at the top (Timer1, every 50 ms).
#include "Form1.h"
#include "forms/Val.h"

void Form1::Timer2_Timer() {
    // Seconds count only while the player shows itself as playing and the
    // track has not reached its end; the count is a tally of ticks, not the
    // device's position.
    const bool playing = Command3.Enabled();
    const qint32 length = mci.Length();
    const qint32 position = mci.Position();
    if (position < length && playing)
        Label5.setCaption(forms::Str((long long)forms::Val(Label5.Caption()) + 1));

    long long t = (long long)forms::Val(Label5.Caption());
    const long long m = t / 60;
    t -= m * 60;
    const QString minutes = m <= 9 ? QStringLiteral("0") + forms::Str(m) : forms::Str(m);
    const QString seconds = t <= 9 ? QStringLiteral("0") + forms::Str(t) : forms::Str(t);
    Label2.setCaption(minutes + u':' + seconds);
}

void Form1::Timer1_Timer() {
    // Each strip moves 16 twips to the left until it has left the window,
    // then comes in again from beyond the right edge.
    for (forms::Label* strip : {&Label3, &Label4}) {
        if (strip->Width() + strip->Left() > 0) strip->setLeft(strip->Left() - 16);
        if (strip->Width() + strip->Left() < 0) strip->setLeft(5465);
    }
}
