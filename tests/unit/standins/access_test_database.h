// Real SQLite databases for the Access tests, built from the SQL text in
// tests/wine/data with the sqlite3 program, in a folder of this process.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "dv/standins/tools.h"

namespace dv::testing {

inline std::string accessTestDatabase(const std::string& name, std::initializer_list<const char*> scripts) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("dv-access-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::filesystem::path db = folder / name;
  std::filesystem::remove(db);
  for (const char* script : scripts) {
    standins::ToolResult r =
        standins::runTool({"sqlite3", db.string(), std::string(".read ") + DV_TEST_DATA_DIR + "/" + script});
    EXPECT_TRUE(r.ok()) << r.output;
  }
  return db.string();
}

}  // namespace dv::testing
