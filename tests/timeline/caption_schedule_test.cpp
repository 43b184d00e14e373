// The caption schedule's data: its size, its slots and image files, the
// shape of every piece and the order of the windows and reveals.
#include "timeline/caption_schedule.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

TEST(CaptionSchedule, ElevenSheetsOfEightySixPiecesOnTheirOwnSlots)
{
    int pieces = 0;
    for (int s = 0; s < CAPTION_SHEET_COUNT; ++s) {
        EXPECT_EQ(CAPTION_SHEETS[s].slot, s);
        pieces += CAPTION_SHEETS[s].pieceCount;
        // The image numbers run down from 17 to 13, then from 11: no 12.
        char file[32];
        std::snprintf(file, sizeof file, "data/png/%02d.png", s < 5 ? 17 - s : 16 - s);
        EXPECT_STREQ(CAPTION_SHEETS[s].file, file);
    }
    EXPECT_EQ(pieces, 86);
    EXPECT_EQ(CAPTION_PIECE_COUNT, 86);
    const int counts[CAPTION_SHEET_COUNT] = { 9, 6, 9, 7, 8, 9, 4, 11, 6, 9, 8 };
    for (int s = 0; s < CAPTION_SHEET_COUNT; ++s)
        EXPECT_EQ(CAPTION_SHEETS[s].pieceCount, counts[s]) << "sheet " << s + 1;
}

TEST(CaptionSchedule, PiecesAreProperRectanglesInsideTheLayoutAndApart)
{
    for (int s = 0; s < CAPTION_SHEET_COUNT; ++s) {
        const CaptionSheet& sheet = CAPTION_SHEETS[s];
        for (int i = 0; i < sheet.pieceCount; ++i) {
            const CaptionPiece& a = sheet.pieces[i];
            EXPECT_LT(a.x1, a.x2);
            EXPECT_LT(a.y1, a.y2);
            EXPECT_GE(a.x1, 0);
            EXPECT_GE(a.y1, 0);
            EXPECT_LE(a.x2, CAPTION_LAYOUT_WIDTH);
            EXPECT_LE(a.y2, CAPTION_LAYOUT_HEIGHT);
            for (int j = i + 1; j < sheet.pieceCount; ++j) {
                const CaptionPiece& b = sheet.pieces[j];
                const bool apart = a.x2 <= b.x1 || b.x2 <= a.x1 || a.y2 <= b.y1 || b.y2 <= a.y1;
                EXPECT_TRUE(apart) << "sheet " << s + 1 << " pieces " << i + 1 << " and " << j + 1;
            }
        }
    }
}

TEST(CaptionSchedule, WindowsFollowEachOtherAndHoldTheirReveals)
{
    for (int s = 0; s < CAPTION_SHEET_COUNT; ++s) {
        const CaptionSheet& sheet = CAPTION_SHEETS[s];
        EXPECT_LT(sheet.opens, sheet.closes);
        if (s > 0) {
            EXPECT_LE(CAPTION_SHEETS[s - 1].closes, sheet.opens) << "sheet " << s + 1;
        }
        for (int i = 0; i < sheet.pieceCount; ++i) {
            EXPECT_GE(sheet.pieces[i].reveal, sheet.opens);
            EXPECT_LT(sheet.pieces[i].reveal, sheet.closes);
            if (i > 0) {
                EXPECT_LE(sheet.pieces[i - 1].reveal, sheet.pieces[i].reveal);
            }
        }
    }
}

TEST(CaptionSchedule, BoundsAreTheFloatsOfTheirDecimals)
{
    EXPECT_EQ(CAPTION_SHEETS[0].opens, 0.0f);
    EXPECT_EQ(static_cast<double>(CAPTION_SHEETS[0].closes), 13.800000190734863);
    EXPECT_EQ(static_cast<double>(CAPTION_SHEETS[0].pieces[0].reveal), 5.099999904632568);
    // Sheet 5 opens at the instant its first piece reveals.
    EXPECT_EQ(CAPTION_SHEETS[4].opens, 63.0f);
    EXPECT_EQ(CAPTION_SHEETS[4].pieces[0].reveal, 63.0f);
    // Sheet 7 reveals nothing before 109.5.
    EXPECT_EQ(CAPTION_SHEETS[6].opens, 92.5f);
    EXPECT_EQ(CAPTION_SHEETS[6].pieces[0].reveal, 109.5f);
    EXPECT_EQ(CAPTION_SHEETS[10].closes, 160.0f);
    EXPECT_EQ(CAPTION_SHEETS[10].pieces[7].reveal, 155.0f);
}

}  // namespace
