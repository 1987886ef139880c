#pragma once
// The scene data file: every quantity, point and face of a scene model as text lines, one format
// string a line (the table in DataFile.cpp). Doubles are fixed-point with six decimals, in the
// C locale whatever the user's. Reading applies the same format strings with the rules of
// formatted input (a blank matches any run of white space, including none; other characters
// must match), parses the whole file first and changes nothing unless all of it was read.

#include "model/TextureImage.h"
#include "model/ViewPoint.h"
#include "services/SaveFile.h"

#include <string>
#include <string_view>
#include <vector>

class CSingleImage;

// Everything a data file holds, before it is put into a scene model.
struct CDataFileContent {
  double m_Vx[3] = {}, m_Vy[3] = {}, m_Vz[3] = {};
  double m_a = 0, m_b = 0, m_A = 0;
  double m_StandardOrigin[2] = {};
  double m_l[3] = {};
  double m_HMatrix[3][3] = {};
  double m_lScale[3] = {};
  double m_HStandardMatrix[3][3] = {};
  int m_nMaxId = -1;
  std::vector<CViewPoint> points;
  std::vector<CTextureImage> textures;
};

// The file's text for the model, and the same written to a save.
std::string DataFileText(const CSingleImage& model);
void WriteDataFile(CFileSink& sink, const CSingleImage& model);

// Parses a whole file; on failure returns false and says where and what was expected
// ("Line 17: expected "The number of the point is" and a count.").
bool ParseDataFile(std::string_view text, CDataFileContent& content, std::string& error);

// Replaces the model's header quantities, points and faces with the content.
void ApplyDataFile(CSingleImage& model, CDataFileContent&& content);

enum class EDataFileRead { Loaded, CannotOpen, Refused };

// Reads the file into the model; unless it was loaded the model is unchanged and the reason
// says why.
EDataFileRead ReadDataFile(const std::string& path, CSingleImage& model, std::string& reason);

// Reads a data file's whole text, refusing anything but a regular file; Loaded or CannotOpen
// with the reason.
EDataFileRead ReadDataFileText(const std::string& path, std::string& text, std::string& reason);

// Saves the model's data file through the save routine.
CSaveResult SaveDataFile(const std::string& path, const CSingleImage& model);
