// The whole-word search that decides whether WGL_ARB_multisample is offered.
#include "app/extension_search.h"

#include <gtest/gtest.h>

namespace {

const char* const WORD = "WGL_ARB_multisample";

TEST(ExtensionSearch, FindsTheNameAtStartMiddleAndEnd)
{
    EXPECT_TRUE(ContainsWholeWord("WGL_ARB_multisample", WORD));
    EXPECT_TRUE(ContainsWholeWord("WGL_ARB_multisample WGL_EXT_swap_control", WORD));
    EXPECT_TRUE(ContainsWholeWord("WGL_ARB_pbuffer WGL_ARB_multisample WGL_EXT_swap_control", WORD));
    EXPECT_TRUE(ContainsWholeWord("WGL_ARB_pbuffer WGL_ARB_multisample", WORD));
    EXPECT_TRUE(ContainsWholeWord("WGL_ARB_pbuffer WGL_ARB_multisample ", WORD));
}

TEST(ExtensionSearch, IgnoresTheNameInsideLongerNames)
{
    EXPECT_FALSE(ContainsWholeWord("", WORD));
    EXPECT_FALSE(ContainsWholeWord("WGL_ARB_multisample_ext", WORD));
    EXPECT_FALSE(ContainsWholeWord("XWGL_ARB_multisample", WORD));
    EXPECT_FALSE(ContainsWholeWord("WGL_ARB_pbuffer GL_WGL_ARB_multisample", WORD));
    EXPECT_FALSE(ContainsWholeWord("WGL_ARB_multisampleWGL_ARB_multisample", WORD));
    EXPECT_FALSE(ContainsWholeWord("WGL_ARB_multi WGL_ARB_pixel_format", WORD));
}

TEST(ExtensionSearch, KeepsSearchingAfterAMatchThatDoesNotCount)
{
    // The first occurrence is part of a longer name; a later one counts.
    EXPECT_TRUE(ContainsWholeWord("WGL_ARB_multisample_ext WGL_ARB_multisample", WORD));
    EXPECT_TRUE(ContainsWholeWord("XWGL_ARB_multisample WGL_ARB_multisample_2 WGL_ARB_multisample x", WORD));
    // Overlapping candidates: the match starting one character later.
    EXPECT_TRUE(ContainsWholeWord("aa aaa aa", "aa"));
    EXPECT_FALSE(ContainsWholeWord("aaa aaaa", "aa"));
}

}  // namespace
