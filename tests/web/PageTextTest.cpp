#include "PageText.h"

#include <gtest/gtest.h>

using tessaly::RewriteToClassicMarkup;

namespace {

struct Case {
    const char* name;
    const char* modern;
    const char* classic;
};

const Case kCases[] = {
    {"simple values lose their quotes", R"(<div class="mainBody">x</div>)", "<DIV class=mainBody>x</DIV>"},
    {"hyphen and underscore are simple", R"(<div id="footer-flags" class="a_b">)", "<DIV id=footer-flags class=a_b>"},
    {"empty value stays quoted", R"(<table summary="" width="100%">)", R"(<TABLE summary="" width="100%">)"},
    {"value with blank stays quoted", R"(<div class="searchResultTitleList first">)",
     R"(<DIV class="searchResultTitleList first">)"},
    {"links keep their quoted address", R"(<a href="/sss/123.html">Ad</a>)", R"(<A href="/sss/123.html">Ad</A>)"},
    {"entity in value is kept", R"(<a href="x?a=1&amp;b=2">)", R"(<A href="x?a=1&amp;b=2">)"},
    {"attribute order and names kept", R"(<img src="a.png" alt="A" data-x="1">)", R"(<IMG src="a.png" alt=A data-x=1>)"},
    {"value-less attribute", R"(<input disabled type="text">)", "<INPUT disabled type=text>"},
    {"single-quoted value", R"(<p class='big'>)", "<P class=big>"},
    {"text is untouched", "a &gt;&gt; b <b>&gt;&gt;</b>", "a &gt;&gt; b <B>&gt;&gt;</B>"},
    {"comments are untouched", R"(<!--REPLY FORM--><div>x</div>)", "<!--REPLY FORM--><DIV>x</DIV>"},
    {"script content is untouched", R"(<script>var phone_number = '555'; if (a<b) x="<div class=\"q\">";</script><p>)",
     R"(<SCRIPT>var phone_number = '555'; if (a<b) x="<div class=\"q\">";</SCRIPT><P>)"},
    {"style content is untouched", "<style>a > b { x: 1 }</style>", "<STYLE>a > b { x: 1 }</STYLE>"},
    {"stray less-than is text", "1 < 2 <3", "1 < 2 <3"},
    {"non-ASCII value is quoted", "<div title=\"caffè\">", "<DIV title=\"caffè\">"},
    {"self-closing svg child", R"(<svg><path d="M0 0"/></svg>)", R"(<SVG><PATH d="M0 0" /></SVG>)"},
    {"unterminated tag does not hang", R"(<div class="a)", "<DIV class=a"},
};

TEST(PageText, RewritesIntoClassicSerialisation)
{
    for (const Case& c : kCases)
        EXPECT_EQ(RewriteToClassicMarkup(c.modern), c.classic) << c.name;
}

TEST(PageText, ListingMarkersMatchAfterRewrite)
{
    const std::string page = RewriteToClassicMarkup(
        R"(<body><h4 class="ban">x</h4><blockquote><p><a href="http://h/sss/1.html">one</a></p></blockquote>)"
        R"(<font size="4"><a href="index100.html">next 100 postings</a></font><div id="footer"></div></body>)");
    for (const char* marker : {"<BLOCKQUOTE>", "<DIV id=footer>", "<H4 class=ban>", "<A href=\"", "</A></FONT>"})
        EXPECT_NE(page.find(marker), std::string::npos) << marker;
}

} // namespace
