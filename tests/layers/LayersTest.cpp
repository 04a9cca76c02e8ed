// The layers of src/ as the build defines them. CMake writes a manifest of
// every target of src/ (its files and the libraries it links); these tests
// check the sources against it: an include reaches only a header of its own
// target or of one it links, directly or through others, so that a lower
// layer including a higher one fails here; the link graph has no cycle; and
// the low layers link no Qt, or no widgets; and each folder of src/ holds one
// library, whose files all lie in it.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Target {
    std::string folder;               // below src/
    std::string type;                 // CMake's: STATIC_LIBRARY, EXECUTABLE, ...
    std::vector<std::string> sources; // relative to src/
    std::vector<std::string> links;
};

struct Manifest {
    std::map<std::string, Target> targets;
    std::map<std::string, std::string> owner; // file -> target
};

Manifest parseManifest(std::istream &in) {
    Manifest m;
    std::string line, current;
    while (std::getline(in, line)) {
        const auto space = line.find(' ');
        if (space == std::string::npos)
            continue;
        const std::string kind = line.substr(0, space), value = line.substr(space + 1);
        if (kind == "target") {
            current = value;
            m.targets[current];
        } else if (kind == "folder") {
            m.targets[current].folder = value;
        } else if (kind == "type") {
            m.targets[current].type = value;
        } else if (kind == "source") {
            m.targets[current].sources.push_back(value);
            m.owner[value] = current;
        } else if (kind == "link") {
            m.targets[current].links.push_back(value);
        }
    }
    return m;
}

Manifest realManifest() {
    std::ifstream in(MENDORA_LAYER_MANIFEST);
    EXPECT_TRUE(in) << "no manifest at " << MENDORA_LAYER_MANIFEST;
    return parseManifest(in);
}

// The target and every library it links, directly or through others.
std::set<std::string> reach(const Manifest &m, const std::string &target) {
    std::set<std::string> seen;
    std::vector<std::string> todo{target};
    while (!todo.empty()) {
        const std::string t = todo.back();
        todo.pop_back();
        if (!seen.insert(t).second)
            continue;
        if (const auto it = m.targets.find(t); it != m.targets.end())
            todo.insert(todo.end(), it->second.links.begin(), it->second.links.end());
    }
    return seen;
}

std::vector<std::string> quotedIncludes(const std::string &text) {
    static const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::vector<std::string> out;
    std::istringstream lines(text);
    std::string line;
    std::smatch match;
    while (std::getline(lines, line))
        if (std::regex_search(line, match, include))
            out.push_back(match[1]);
    return out;
}

// "file: problem" for every include that breaks the layers.
std::vector<std::string>
includeViolations(const Manifest &m, const std::function<std::string(const std::string &)> &read) {
    std::vector<std::string> problems;
    for (const auto &[name, target] : m.targets) {
        const std::set<std::string> allowed = reach(m, name);
        for (const std::string &file : target.sources) {
            for (const std::string &header : quotedIncludes(read(file))) {
                // Headers that Qt's form compiler writes for the target.
                if (header.rfind("ui_", 0) == 0)
                    continue;
                const auto owner = m.owner.find(header);
                if (header.find('/') == std::string::npos)
                    problems.push_back(file + ": \"" + header + "\" is not written from src/");
                else if (owner == m.owner.end())
                    problems.push_back(file + ": \"" + header + "\" belongs to no target");
                else if (!allowed.count(owner->second))
                    problems.push_back(file + ": \"" + header + "\" of " + owner->second +
                                       ", which " + name + " does not link");
            }
        }
    }
    return problems;
}

// The targets on a cycle of links, if any.
std::vector<std::string> linkCycle(const Manifest &m) {
    std::map<std::string, int> state; // 1 on the path, 2 done
    std::vector<std::string> path;
    std::function<bool(const std::string &)> visit = [&](const std::string &t) {
        if (state[t] == 2 || !m.targets.count(t))
            return false;
        if (state[t] == 1) {
            path.push_back(t);
            return true;
        }
        state[t] = 1;
        path.push_back(t);
        for (const std::string &link : m.targets.at(t).links)
            if (visit(link))
                return true;
        path.pop_back();
        state[t] = 2;
        return false;
    };
    for (const auto &entry : m.targets)
        if (visit(entry.first))
            return path;
    return {};
}

// "folder: problem" for each folder with more than one library target, and
// "file: problem" for each file outside its target's folder.
std::vector<std::string> folderViolations(const Manifest &m) {
    std::map<std::string, std::vector<std::string>> libraries; // folder -> its library targets
    std::vector<std::string> problems;
    for (const auto &[name, target] : m.targets) {
        if (target.type.ends_with("_LIBRARY"))
            libraries[target.folder].push_back(name);
        for (const std::string &file : target.sources)
            if (!file.starts_with(target.folder + "/"))
                problems.push_back(file + ": a file of " + name + ", whose folder is " +
                                   target.folder);
    }
    for (const auto &[folder, names] : libraries) {
        if (names.size() < 2)
            continue;
        std::string list;
        for (const std::string &name : names)
            list += (list.empty() ? "" : ", ") + name;
        problems.push_back(folder + ": holds " + std::to_string(names.size()) + " libraries (" +
                           list + ")");
    }
    return problems;
}

std::string readSource(const std::string &file) {
    std::ifstream in(std::string(MENDORA_SOURCE_ROOT) + "/" + file);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

Manifest sample(const std::string &text) {
    std::istringstream in(text);
    return parseManifest(in);
}

TEST(Layers, IncludesReachOnlyLinkedLibraries) {
    const Manifest m = realManifest();
    ASSERT_GT(m.targets.size(), 5u);
    const auto problems = includeViolations(m, readSource);
    for (const auto &p : problems)
        ADD_FAILURE() << p;
}

TEST(Layers, CheckerFindsWhatBreaksTheLayers) {
    const Manifest m = sample("target low\nsource low/A.cpp\nsource low/A.h\n"
                              "target high\nsource high/B.h\nlink low\n");
    const std::map<std::string, std::string> files = {
        {"low/A.cpp", "#include \"low/A.h\"\n  # include \"high/B.h\"\n#include \"A.h\"\n"
                      "#include \"low/Gone.h\"\n#include \"ui_A.h\"\n#include <vector>\n"},
        {"low/A.h", ""},
        {"high/B.h", "#include \"low/A.h\"\n"},
    };
    const auto problems = includeViolations(m, [&](const std::string &f) { return files.at(f); });
    EXPECT_EQ(problems, (std::vector<std::string>{
                            "low/A.cpp: \"high/B.h\" of high, which low does not link",
                            "low/A.cpp: \"A.h\" is not written from src/",
                            "low/A.cpp: \"low/Gone.h\" belongs to no target",
                        }));
}

TEST(Layers, LinkGraphHasNoCycle) {
    EXPECT_EQ(linkCycle(realManifest()), std::vector<std::string>{});
    const Manifest looped = sample("target a\nlink b\nlink Qt6::Core\ntarget b\nlink c\n"
                                   "target c\nlink a\ntarget d\nlink a\n");
    EXPECT_EQ(linkCycle(looped), (std::vector<std::string>{"a", "b", "c", "a"}));
}

TEST(Layers, LowLayersLinkNoQtOrNoWidgets) {
    const Manifest m = realManifest();
    const auto linksQt = [&](const std::string &target, const std::string &prefix) {
        std::vector<std::string> found;
        for (const std::string &t : reach(m, target))
            if (t.rfind(prefix, 0) == 0)
                found.push_back(t);
        return found;
    };
    for (const char *target :
         {"mendora_system", "mendora_inistore", "mendora_runcounter", "mendora_mediacheck"}) {
        ASSERT_TRUE(m.targets.count(target)) << target;
        EXPECT_EQ(linksQt(target, "Qt6::"), std::vector<std::string>{}) << target;
    }
    // The list shows texts and paths without the operating system's services.
    EXPECT_FALSE(reach(m, "mendora_medialist").count("mendora_platform"));
    for (const char *target : {"mendora_platform", "mendora_medialist", "mendora_fixpass"}) {
        ASSERT_TRUE(m.targets.count(target)) << target;
        EXPECT_EQ(linksQt(target, "Qt6::Widgets"), std::vector<std::string>{}) << target;
    }
}

TEST(Layers, EachFolderHoldsOneLibraryAndItsFiles) {
    const Manifest m = realManifest();
    ASSERT_TRUE(m.targets.count("mendora_inistore"));
    EXPECT_EQ(m.targets.at("mendora_inistore").folder, "inistore");
    EXPECT_EQ(m.targets.at("mendora_inistore").type, "STATIC_LIBRARY");
    for (const auto &p : folderViolations(m))
        ADD_FAILURE() << p;

    // A folder may hold a library and programs, not two libraries.
    const Manifest shared = sample("target one\nfolder f\ntype STATIC_LIBRARY\nsource f/A.cpp\n"
                                   "target two\nfolder f\ntype INTERFACE_LIBRARY\n"
                                   "target tool\nfolder f\ntype EXECUTABLE\nsource f/Main.cpp\n"
                                   "target three\nfolder g\ntype STATIC_LIBRARY\nsource f/B.cpp\n");
    EXPECT_EQ(folderViolations(shared),
              (std::vector<std::string>{"f/B.cpp: a file of three, whose folder is g",
                                        "f: holds 2 libraries (one, two)"}));
}

TEST(Layers, EverySourceBelongsToATarget) {
    const Manifest m = realManifest();
    const std::filesystem::path root = MENDORA_SOURCE_ROOT;
    int seen = 0;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".cpp" && ext != ".h")
            continue;
        ++seen;
        const std::string file = std::filesystem::relative(entry.path(), root).generic_string();
        EXPECT_TRUE(m.owner.count(file)) << file << " is in no target";
    }
    EXPECT_GT(seen, 20);
}

} // namespace
