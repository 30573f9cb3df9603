// The runtime's error model, text-to-number conversion and random numbers.
#include <gtest/gtest.h>

#include <QStringList>
#include <vector>

#include "errors/EventDispatch.h"
#include "errors/Steps.h"
#include "forms/Rnd.h"
#include "forms/Val.h"
#include "support/LastResortRecorder.h"
#include "support/RndProbe.h"

using errors::RuntimeError;

TEST(ErrorModes, SkipGoesOnLeaveEndsQuietlyPlainReachesLastResort) {
    LastResortRecorder recorder;
    std::vector<int> ran;
    errors::dispatch([&] {
        errors::Steps steps;
        steps.skip([&] { errors::raiseError(5); });
        steps.skip([&] { ran.push_back(2); });
        steps.leave([&] { ran.push_back(3); });
        steps.leave([&] { errors::raiseError(13); });
        steps.leave([&] { ran.push_back(5); });
        steps.skip([&] { ran.push_back(6); });
        steps.plain([&] { ran.push_back(7); });
        EXPECT_TRUE(steps.left());
    });
    EXPECT_EQ(ran, (std::vector<int>{2, 3}));
    EXPECT_TRUE(recorder.numbers.empty()) << "handled modes must not reach the last resort";

    ran.clear();
    errors::dispatch([&] {
        errors::Steps steps;
        steps.plain([&] { ran.push_back(1); });
        steps.plain([&] { errors::raiseError(381); });
        ran.push_back(3);
    });
    EXPECT_EQ(ran, (std::vector<int>{1}));
    // Other exceptions stop there too; running out of memory keeps its number.
    errors::dispatch([] { throw std::runtime_error("boom"); });
    errors::dispatch([] { throw std::bad_alloc(); });
    EXPECT_EQ(recorder.numbers,
              (std::vector<int>{381, errors::InternalError, errors::OutOfMemory}));
}

TEST(RuntimeErrors, CarryTheirNumberAndAText) {
    EXPECT_EQ(RuntimeError(5).description(), RuntimeError::standardDescription(5));
    // Each number the runtime raises has a text of its own, never the one
    // left for numbers it does not know.
    const int numbers[] = {5, 6, 7, 9, 13, 53, 380, 381, 398, 429, 438, 481, 51};
    QStringList texts;
    for (int n : numbers) texts << RuntimeError::standardDescription(n);
    texts.removeDuplicates();
    EXPECT_EQ(texts.size(), std::size(numbers)) << texts.join(u'|').toStdString();
    EXPECT_FALSE(texts.contains(RuntimeError::standardDescription(12345)));
    EXPECT_EQ(RuntimeError(7, QStringLiteral("列表已满")).description(),
              QStringLiteral("列表已满"));
}

TEST(Val, TakesTheLeadingNumberAndZeroForNone) {
    const std::pair<const char16_t*, double> cases[] = {
        {u"", 0},       {u"abc", 0},   {u"0", 0},       {u"7", 7},       {u"59", 59},
        {u"12abc", 12}, {u"  42", 42}, {u"1 2 3", 123}, {u"-3.5", -3.5}, {u"+8", 8},
        {u"1e3", 1000}, {u"2e", 2},    {u"1.2.3", 1.2}, {u"3600", 3600}, {u"00:09", 0},
    };
    for (const auto& [text, value] : cases)
        EXPECT_DOUBLE_EQ(forms::Val(QString::fromUtf16(text)), value)
            << QString::fromUtf16(text).toStdString();
    EXPECT_EQ(forms::Str(549), QStringLiteral("549"));
    EXPECT_EQ(forms::Str(-2), QStringLiteral("-2"));
}

TEST(Rnd, EveryRunDrawsTheSameEvenlySpreadSequence) {
    // A fresh program's first draws: the entries a shuffled play picks.
    forms::RndProbe::reset();
    for (const float first : {0.70554751f, 0.53342402f, 0.57951862f})
        EXPECT_EQ(forms::Rnd::Next(), first);

    // Picks of Int(n * r) land on every entry about equally often, none outside.
    std::vector<int> buckets(10);
    for (int i = 0; i < 100000; ++i) ++buckets.at(int(10 * forms::Rnd::Next()));
    for (int count : buckets) EXPECT_NEAR(count, 10000, 500);
}
