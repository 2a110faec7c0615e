#include <gtest/gtest.h>

#include <string>

#include "core/error.h"
#include "core/size_text.h"

using namespace jollix;

TEST(SizeText, OnlyDigitsMakeASizeText) {
    struct Case {
        const char* text;
        bool valid;
    };
    for (const Case c : {Case{"605", true}, Case{"0", true}, Case{"0007", true},
                         Case{"99999999999", true},  // digits; too large is found later
                         Case{"", false}, Case{"12a", false}, Case{"-5", false}, Case{"+5", false}, Case{" 7", false},
                         Case{"7 ", false}, Case{"1.5", false}, Case{"\xd9\xa3", false}}) {
        EXPECT_EQ(isAllDigits(c.text), c.valid) << '"' << c.text << '"';
    }
}

TEST(SizeText, StrToIntAcceptsSignsAndLeadingSpaces) {
    struct Case {
        const char* text;
        int32_t value;
    };
    for (const Case c : {Case{"605", 605}, Case{"-5", -5}, Case{"+12", 12}, Case{"  7", 7}, Case{"007", 7},
                         Case{"2147483647", 2147483647}, Case{"-2147483648", INT32_MIN}}) {
        EXPECT_EQ(parseInteger(c.text), c.value) << c.text;
    }
}

TEST(SizeText, StrToIntRejectsWithTheTextInTheMessage) {
    for (const std::string text : {"", "12a", "abc", "-", "+", " ", "7 ", "1 2", "2147483648", "-2147483649",
                                   "99999999999999999999", "--5", "1.0"}) {
        try {
            parseInteger(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const JollixError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + text + "' is not a valid integer value");
        }
    }
}

TEST(SizeText, HeldRatioOfTheStartPicture) {
    // 605 x 469: a width of 300 holds the height at roundToInt(232.56) = 233, a
    // height of 200 the width at roundToInt(258.0) = 258.
    EXPECT_EQ(heldRatioValue(300, 469, 605), 233);
    EXPECT_EQ(heldRatioValue(200, 605, 469), 258);
    EXPECT_EQ(heldRatioValue(605, 469, 605), 469);
    // Ties go to the even value: 5 * 1 / 2 = 2.5 -> 2, 7 * 1 / 2 = 3.5 -> 4.
    EXPECT_EQ(heldRatioValue(5, 1, 2), 2);
    EXPECT_EQ(heldRatioValue(7, 1, 2), 4);
    // The product is exact beyond 32 bits.
    EXPECT_EQ(heldRatioValue(100000, 100000, 100000), 100000);
    EXPECT_THROW(heldRatioValue(1, 5, 0), JollixError);
    EXPECT_THROW(heldRatioValue(2000000000, 4, 1), JollixError);
}

TEST(SizeText, PlusAndMinusScaleBothSides) {
    struct Case {
        int32_t w, percent, expected;
    };
    for (const Case c : {Case{605, 80, 484}, Case{469, 80, 375}, Case{605, 125, 756}, Case{469, 125, 586},
                         Case{-5, 80, -4}, Case{0, 125, 0}, Case{2, 125, 2} /* 2.5 -> 2 */,
                         Case{6, 125, 8} /* 7.5 -> 8 */, Case{2000000000, 80, 1600000000}}) {
        EXPECT_EQ(scaledByPercent(c.w, c.percent), c.expected) << c.w << " x " << c.percent;
    }
    EXPECT_THROW(scaledByPercent(2000000000, kGrowPercent), JollixError);
}

TEST(SizeText, TypedSizeForOk) {
    const auto ok = typedSize("1210", "938");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->width, 1210);
    EXPECT_EQ(ok->height, 938);
    for (const char* bad : {"12a", "-5", " 7", "", "0", "000"}) {
        EXPECT_FALSE(typedSize(bad, "469")) << bad;
        EXPECT_FALSE(typedSize("605", bad)) << bad;
    }
    try {
        typedSize("605", "99999999999");
        ADD_FAILURE() << "a too large height was accepted";
    } catch (const JollixError& e) {
        EXPECT_STREQ(e.what(), "'99999999999' is not a valid integer value");
    }
}
