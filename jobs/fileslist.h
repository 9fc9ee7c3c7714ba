// Files lists and the line-based text files the jobs read and write.
#pragma once
#include <string>
#include <vector>

namespace sw {

// The lines of a text file, without their CR LF (or LF) ends; a final line
// end makes no extra empty line. Returns false when the file cannot be read.
bool ReadLines(const std::string& path, std::vector<std::string>& lines);

// A files list: its lines, skipping empty ones.
bool ReadFilesList(const std::string& path, std::vector<std::string>& entries);

// A files list as a job reads it: every entry absolute and normalised
// ("." and ".." resolved by name), so that no entry can climb out of a
// folder it is joined to.
bool ReadDocumentList(const std::string& path, std::vector<std::string>& entries);
std::string NormalEntry(const std::string& entry);

// Writes the lines, each ended by CR LF, replacing the file atomically.
bool WriteLines(const std::string& path, const std::vector<std::string>& lines);

// The name after the last '/'.
std::string FileNamePart(const std::string& path);

}  // namespace sw
