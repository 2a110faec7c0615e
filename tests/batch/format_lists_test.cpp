// The lists of formats outside the code (desktop entry, man pages, help
// page, the batch command's help) say what the format table says.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "app/batch/batch.h"
#include "io/formats.h"

using namespace jollix;

namespace {

std::string sourceFile(const std::string& name) {
    const std::string path = std::string(JOLLIX_TEST_DATA) + "/../../data/" + name;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string joined(const std::vector<std::string>& words, const std::string& before, const std::string& between) {
    std::string text;
    for (size_t i = 0; i < words.size(); ++i) text += (i ? between : "") + before + words[i];
    return text;
}

}  // namespace

TEST(FormatLists, DesktopEntryOffersExactlyTheTypesOpened) {
    const std::string entry = sourceFile("jollix.desktop");
    const size_t at = entry.find("\nMimeType=");
    ASSERT_NE(at, std::string::npos);
    const size_t start = at + 10;
    std::set<std::string> listed;
    std::istringstream types(entry.substr(start, entry.find('\n', start) - start));
    for (std::string t; std::getline(types, t, ';');)
        if (!t.empty()) listed.insert(t);
    std::set<std::string> opened;
    for (const FileFormat& f : fileFormats())
        for (const std::string& t : wordsOf(f.mimeTypes)) opened.insert(t);
    EXPECT_EQ(listed, opened);
}

TEST(FormatLists, HelpPageRowsGiveEveryFormatsNamesAndSaving) {
    const std::string page = sourceFile("help/index.html");
    for (const FileFormat& f : fileFormats()) {
        const std::string row = std::string("<tr><td>") + f.description + "</td><td>" +
                                joined(wordsOf(f.extensions), ".", ", ") + "</td><td>yes";
        const size_t at = page.find(row);
        ASSERT_NE(at, std::string::npos) << row;
        const std::string rest = page.substr(at, page.find("</tr>", at) - at);
        EXPECT_EQ(rest.find("<td>no</td>") == std::string::npos, f.saveEntry > 0) << rest;
    }
}

TEST(FormatLists, ManPagesAndBatchHelpNameEveryFormat) {
    const std::string program = sourceFile("man/jollix.1.in");
    const std::string batchPage = sourceFile("man/jollix-batch.1.in");
    const std::string help = batch::helpText();
    for (const FileFormat& f : fileFormats()) {
        EXPECT_NE(program.find(f.name), std::string::npos) << f.name;
        EXPECT_NE(batchPage.find(f.name), std::string::npos) << f.name;
        EXPECT_NE(std::string(unknownTypeReason()).find(f.name), std::string::npos) << f.name;
    }
    // The output extensions, in the table's order, where the page and the
    // help list them.
    std::vector<std::string> saved;
    for (int i = 1; i <= kSaveFormatCount; ++i)
        for (const std::string& e : wordsOf(fileFormat(static_cast<SaveFormat>(i))->saveExtensions)) saved.push_back(e);
    const std::string bare = joined({saved.begin(), saved.end() - 1}, "", ", ") + " or " + saved.back();
    EXPECT_NE(batchPage.find("(" + bare + ")"), std::string::npos) << bare;
    std::string macros;
    for (size_t i = 0; i < saved.size(); ++i)
        macros += i + 2 < saved.size()    ? ".BR ." + saved[i] + " ,\n"
                  : i + 2 == saved.size() ? ".B ." + saved[i] + "\nor\n"
                                          : ".BR ." + saved[i] + " .\n";
    EXPECT_NE(batchPage.find(macros), std::string::npos) << macros;
    std::string flowing = help;
    for (char& c : flowing)
        if (c == '\n') c = ' ';
    EXPECT_NE(flowing.find(savedExtensionsText()), std::string::npos) << savedExtensionsText();
}
