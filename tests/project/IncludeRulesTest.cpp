// IncludeRulesTest.cpp — only platform/ includes system and ICU headers: the folders above it, and
// platform's own public headers, include the C++ library, Qt and the project's headers alone.
#include "TestSupport.h"

#include <QDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path SourceDir = VORNEX_SOURCE_DIR;

// The folders that must reach the system and ICU through platform/.
const char* const LayeredFolders[] = {"app", "viewer", "viewerlib", "transforms", "formats", "tool"};

bool IsSourceFile(const fs::path& file) {
    const auto ext = file.extension();
    return ext == ".cpp" || ext == ".h";
}

// Where a quoted include of the project is looked up besides the including file's folder: the
// root and its top-level folders (each library adds its own to the include path). Build folders
// and hidden ones are left out.
std::vector<fs::path> ProjectIncludeDirs(const fs::path& root) {
    std::vector<fs::path> dirs{root};
    for (const auto& entry : fs::directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory() && !name.starts_with("build") && !name.starts_with("."))
            dirs.push_back(entry.path());
    }
    return dirs;
}

// An include in angle brackets may name a C++ library or Qt class header (no extension, no
// folder: <vector>, <QString>), a Qt module header (<QtCore/QString>) or one of Qt's lower-case
// headers (<qdrawutil.h>).
bool AngleIncludeAllowed(const std::string& name) {
    static const std::regex allowed(
        R"(^[A-Za-z_][A-Za-z0-9_]*$|^Qt[A-Za-z]+/[A-Za-z0-9_]+$|^q[a-z0-9_]+\.h$)");
    return std::regex_match(name, allowed);
}

// A quoted include must name a file of the project, or a header the build generates (ui_*.h from
// a layout, *.moc); a system header written in quotes is found nowhere in the tree.
bool QuotedIncludeAllowed(const std::string& name, const fs::path& includingFile,
                          const std::vector<fs::path>& includeDirs) {
    const std::string file = fs::path(name).filename().string();
    if (file.starts_with("ui_") || file.ends_with(".moc"))
        return true;
    if (fs::is_regular_file(includingFile.parent_path() / name))
        return true;
    for (const auto& dir : includeDirs)
        if (fs::is_regular_file(dir / name))
            return true;
    return false;
}

// "file:line: include" for every include in the sources under folder that the rules above refuse;
// root is the tree the quoted includes belong to.
std::vector<std::string> ForbiddenIncludes(const fs::path& folder, const fs::path& root,
                                           bool publicHeadersOnly = false) {
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    const auto includeDirs = ProjectIncludeDirs(root);
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const fs::path& file = entry.path();
        if (!entry.is_regular_file() || !IsSourceFile(file))
            continue;
        if (publicHeadersOnly && (file.extension() != ".h" || file.stem().string().ends_with("_p")))
            continue;
        std::ifstream in(file);
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            std::smatch m;
            if (!std::regex_search(line, m, include))
                continue;
            const std::string name = m[2];
            const bool allowed = m[1] == "<" ? AngleIncludeAllowed(name)
                                             : QuotedIncludeAllowed(name, file, includeDirs);
            if (!allowed)
                found.push_back(file.string() + ":" + std::to_string(number) + ": " + m[0].str());
        }
    }
    return found;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines)
        out += l + "\n";
    return out;
}

} // namespace

TEST(IncludeRules, FoldersAbovePlatformIncludeNoSystemOrIcuHeader) {
    for (const char* folder : LayeredFolders) {
        ASSERT_TRUE(fs::is_directory(SourceDir / folder)) << folder;
        const auto found = ForbiddenIncludes(SourceDir / folder, SourceDir);
        EXPECT_TRUE(found.empty()) << Lines(found);
    }
}

TEST(IncludeRules, PlatformPublicHeadersIncludeNoSystemOrIcuHeader) {
    const auto found = ForbiddenIncludes(SourceDir / "platform", SourceDir,
                                         /*publicHeadersOnly=*/true);
    EXPECT_TRUE(found.empty()) << Lines(found);
}

TEST(IncludeRules, PlantedSystemAndIcuIncludesAreFound) {
    test::ScratchDir dir;
    ASSERT_TRUE(QDir(dir.path({})).mkpath("lib/sys"));
    dir.write("lib/Planted.h", "#pragma once\n#include <fcntl.h>\n");
    dir.write("lib/sys/Local.h", "#pragma once\n");
    dir.write("Planted.cpp", "// Planted.cpp\n"
                             "#include \"Planted.h\"\n"
                             "#include \"sys/Local.h\"\n"
                             "#include <QString>\n"
                             "#include <QtCore/QObject>\n"
                             "#include <qdrawutil.h>\n"
                             "#include <vector>\n"
                             "#include \"ui_main.h\"\n"
                             "#include <unistd.h>\n"
                             "  #  include <sys/stat.h>\n"
                             "#include <unicode/ucnv.h>\n"
                             "#include \"windows.h\"\n"
                             "#include \"sys/types.h\"\n"
                             "#include <X11/Xlib.h>\n");
    std::vector<std::string> found;
    for (const auto& f : ForbiddenIncludes(dir.native({}), dir.native({}))) {
        const auto colon = f.find(':');
        found.push_back(fs::path(f.substr(0, colon)).filename().string() + f.substr(colon));
    }
    std::sort(found.begin(), found.end());
    const std::vector<std::string> expected = {
        "Planted.cpp:10:   #  include <sys/stat.h>", "Planted.cpp:11: #include <unicode/ucnv.h>",
        "Planted.cpp:12: #include \"windows.h\"",    "Planted.cpp:13: #include \"sys/types.h\"",
        "Planted.cpp:14: #include <X11/Xlib.h>",     "Planted.cpp:9: #include <unistd.h>",
        "Planted.h:2: #include <fcntl.h>",
    };
    EXPECT_EQ(found, expected);
}
