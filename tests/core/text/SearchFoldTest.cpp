#include "core/text/SearchFold.h"

#include <gtest/gtest.h>

#include <utility>

using romshelf::text::searchFold;

// Every way of writing a name that the search sees as one, and what stays apart.
TEST(SearchFold, WidthKanaAndLetterCase) {
    const std::pair<const char*, const char*> cases[] = {
        {"まりお", "マリオ"},
        {"ﾏﾘｵ", "マリオ"},
        {"ｶﾞﾝﾊﾞﾚｺﾞｴﾓﾝ", "ガンバレゴエモン"},  // voiced marks joined
        {"ﾊﾟｯｸﾏﾝ", "パックマン"},
        {"ぱっくまん", "パックマン"},
        {"か\u3099", "ガ"},  // a combining mark, as some file systems store names
        {"ｳﾞｧﾝﾊﾟｲｱ", "ヴァンパイア"},
        {"ﾁﾞ", "ヂ"},
        {"チ\u309B", "ヂ"},    // the spacing mark, joined as well
        {"～ ~ 〜", "~ ~ ~"},  // full-width tilde and wave dash: one CP932 character
        {"ゔ", "ヴ"},
        {"ﾝﾞ", "ン゛"},  // no such kana: the mark stays, as ゛
        {"ｰ｢｣･", "ー「」・"},
        {"ｍａｒｉｏ　１２３", "MARIO 123"},
        {"straße", "STRASSE"},
        {"ωmega", "ΩMEGA"},
        {"漢字abc", "漢字ABC"},
        {"\xFF\xFEz", "\xFF\xFEZ"},  // bytes that are no UTF-8 stay as they are
    };
    for (const auto& [text, folded] : cases) EXPECT_EQ(searchFold(text), folded) << text;
    EXPECT_NE(searchFold("カ"), searchFold("ガ"));
    EXPECT_NE(searchFold("ハ"), searchFold("パ"));
    EXPECT_NE(searchFold("チ"), searchFold("ヂ"));
}
