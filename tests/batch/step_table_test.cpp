// The batch command's steps, its --help, its manual page and the help page
// against the tool table they are made from.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "app/batch/batch.h"
#include "editor/tools.h"

using namespace jollix;

namespace {

std::string fileText(const std::string& path) {
    std::ifstream f(path);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// Whether `head` stands in `text` as a word of its own ("undo" but not
// "undone"; "expand@" anywhere).
bool mentions(const std::string& text, const std::string& head) {
    const bool word = head.back() != '@' && head.back() != '=';
    for (size_t at = text.find(head); at != std::string::npos; at = text.find(head, at + 1)) {
        auto isWordChar = [](char c) { return std::isalnum((unsigned char)c) || c == '-' || c == '.'; };
        const bool startsWord = at == 0 || !isWordChar(text[at - 1]);
        const bool endsWord = !word || at + head.size() == text.size() || !isWordChar(text[at + head.size()]);
        if (startsWord && endsWord) return true;
    }
    return false;
}

const std::string kSource = std::string(JOLLIX_TEST_DATA) + "/../..";

}  // namespace

TEST(StepTable, EveryToolIsAStepAndEveryStepIsDocumented) {
    const std::vector<std::string> heads = batch::stepHeads();
    for (const ToolRow& tool : toolTable()) {
        const std::string name = tool.batchName;
        const std::string head = tool.appliesWhenChosen ? name : name + "@";
        EXPECT_NE(std::find(heads.begin(), heads.end(), head), heads.end()) << head;
    }
    const std::string help = batch::helpText();
    // The manual page writes a hyphen as "\-".
    const std::string manual =
        std::regex_replace(fileText(kSource + "/data/man/jollix-batch.1.in"), std::regex(R"(\\-)"), "-");
    ASSERT_FALSE(manual.empty());
    for (const std::string& head : heads) {
        EXPECT_TRUE(mentions(help, head)) << head << " is missing from --help";
        EXPECT_TRUE(mentions(manual, head)) << head << " is missing from the manual page";
    }
}

TEST(StepTable, TheHelpPageNamesEveryPaletteTool) {
    // The help page names each tool by its button's hint, in bold (a long
    // one may be broken over two lines).
    const std::string page = std::regex_replace(fileText(kSource + "/data/help/index.html"), std::regex(R"(\s+)"), " ");
    ASSERT_FALSE(page.empty());
    for (const ToolRow& tool : toolTable())
        EXPECT_NE(page.find("<b>" + std::string(tool.hint) + "</b>"), std::string::npos) << tool.hint;
}
