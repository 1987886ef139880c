#pragma once
// A batch job: what a user would type into the program's dialogs for one photograph, read from
// JSON and checked whole before anything runs. Paths are relative to the job file's folder.

#include <array>
#include <optional>
#include <string>
#include <vector>

struct CJobPoint {
  std::array<double, 2> pixel{};                  // U, V
  std::optional<double> height;                   // Z typed
  std::optional<std::array<double, 2>> foot;      // b.u, b.v
  std::optional<std::array<double, 2>> top;       // t.u, t.v (the pixel when not given)
  std::optional<std::array<double, 3>> world;     // X, Y, Z typed
  std::array<int, 3> reference{-1, -1, -1};       // ids for GET REF
  std::vector<std::string> compute;               // "reference", "height", "xy", "image", in order
};

struct CJobFace {
  std::array<int, 4> points{};
  std::string texture;  // base name: NAME.bmp and NAME.gif, recorded as NAME.gif; "" for none
};

struct CJob {
  std::string folder;  // of the job file, for relative paths
  std::string photograph;
  std::string dataFile;  // a finished job to re-export instead of the steps below
  std::array<std::vector<std::array<double, 4>>, 3> segments;  // X, Y, Z
  std::array<double, 2> origin{}, groundPixel{}, groundWorld{}, foot{}, top{};
  double height = 0;
  std::optional<double> a, b, A;
  std::vector<CJobPoint> points;
  std::vector<CJobFace> faces;
  std::string outputFolder;  // "" for the job's own folder
  std::string dataOutput, vrmlOutput, gltfOutput, objOutput;  // names without folders
};

// Reads and checks the job; on failure, the place and what was expected, as
// "points[3].pixel: expected two numbers".
bool ReadJob(const std::string& text, const std::string& folder, CJob& job, std::string& error);

// The job format, with an example.
const char* JobFormatHelp();
