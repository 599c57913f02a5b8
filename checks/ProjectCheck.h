// What is wrong in a project file before it is read: JSON syntax, unknown keys, values of the
// wrong type, names that match no record, the tempo, and media files that are not there. Each
// finding carries the position of the value (or key) it is about.
#pragma once
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "content/Json.h"
#include "content/JsonPositions.h"
#include "content/ProjectKeys.h"

class Demo;

namespace checks {

struct Finding {
    content::TextPosition where;
    std::string message;
    std::string file;  // when it is about another file than the project (a shader source)
    bool warning = false;  // the show still plays, though not as its maker likely meant
};

class ProjectCheck {
public:
    // Reads and parses the file; a syntax error becomes the one finding.
    explicit ProjectCheck(const std::filesystem::path& projectFile);

    // Keys, types, names, tempo and the media files the project reads from its folder.
    void checkContent();
    // Graph nodes whose "def" is none of `types`; run after the project was read, when the
    // show's own node types are known.
    void checkNodeTypes(const std::vector<std::string>& types);

    bool parsed() const { return parsed_; }
    const content::Json& json() const { return json_; }
    const std::vector<Finding>& findings() const { return findings_; }
    // Findings that are not warnings: what makes check fail and pack refuse.
    size_t errorCount() const;
    std::vector<Finding> sortedFindings() const;
    // The media and source files the project reads, in the order it reads them.
    const std::vector<std::string>& filesRead() const { return filesRead_; }
    // "FILE:LINE:COLUMN: message", or "FILE: message" without a position; a warning's message
    // begins with "warning: ".
    std::string format(const Finding& f) const;
    void add(const std::string& path, const std::string& message, bool atKey = false);
    void warn(const std::string& path, const std::string& message, bool atKey = false);
    // "events[2] "flash", control_points.alpha": the value at `path` as a message names it.
    std::string describe(const std::string& path) const;
    // `file` is relative to the project's folder, as the project names it.
    void addInFile(const std::string& file, content::TextPosition where, const std::string& message);

private:
    void checkObject(const content::Json& object, const std::string& path, const char* kind);
    void checkValue(const content::Json& value, const std::string& path, const content::project::Key& key,
                    const content::Json& owner);
    void checkName(const content::Json& value, const std::string& path, const char* target, const char* key);
    void checkRange(const content::Json& object, const std::string& path, const char* kind);
    void checkTempo();
    void checkFiles();
    void checkMusic();
    void needFile(const std::string& name, const std::string& path, const char* what);

    std::filesystem::path file_, folder_;
    std::string text_;
    content::Json json_;
    bool parsed_ = false;
    std::unique_ptr<content::JsonPositions> positions_;
    std::vector<Finding> findings_;
    std::vector<std::string> filesRead_;
    std::map<std::string, std::set<std::string>> names_;  // per named kind
};

// Checks the project's text, reads it into `demo` when that found nothing, then checks its graphs'
// node types. True when nothing was found.
bool readChecked(const std::string& project, ProjectCheck& check, Demo& demo);
// Everything check does: the project's text, then, when it reads, the show built off-screen as the
// player builds it and the show's own checks. True when no error was found (warnings may be).
bool checkProject(const std::string& project, ProjectCheck& findings, Demo& demo, bool verbose);
// The findings on standard error, then a count of errors and warnings with `outcome` appended
// when there are errors; nothing when nothing was found.
void printFindings(const ProjectCheck& findings, const char* outcome);

}  // namespace checks
