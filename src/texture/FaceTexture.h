#pragma once
// Faces and their textures as the face dialogs use them. The "Gen TEX" action looks the four
// point ids up, sizes the texture by the box around their image positions, asks for a file,
// writes NAME.bmp and NAME.gif (the picture the recorded name and the VRML scene refer to) and
// gives the name NAME.gif. Whatever stops it is told with a message box.

#include "image/PixelImage.h"
#include "services/SaveFile.h"

#include <memory>
#include <string>
#include <vector>

class CSingleImage;

// The pixel positions of a face's corners and the size of its texture, as "Gen TEX" takes them;
// false, with the message the user is told, when an id names no point or the size is refused.
bool FaceTextureLayout(const CSingleImage& model, const int pointIds[4], double U[4], double V[4], int& W, int& H,
                       std::string& problem);

// A texture's two files, NAME.bmp and NAME.gif, as "Gen TEX" writes them.
struct CTextureFile {
  std::string name;
  SaveContentWriter write;
};
// Empty, with the reason, when the GIF cannot be made; the writers hold the picture.
std::vector<CTextureFile> TextureFiles(std::shared_ptr<const CPixelImage> picture, const std::string& baseName,
                                       std::string& problem);

// True when it gave textureName a new name (a file was chosen and accepted).
bool GenerateFaceTexture(const CSingleImage& model, const int pointIds[4], std::string& textureName);

// A new face with the name and the four point ids, at the end of m_Textures.
void AddFace(CSingleImage& model, const std::string& textureName, const int pointIds[4]);
// The point ids of face number `number`; false (ids untouched) when there is no such face.
bool QueryFace(const CSingleImage& model, int number, int pointIds[4]);
// Gives face number `number` the name; nothing when there is no such face.
void RenameFace(CSingleImage& model, int number, const std::string& textureName);
// Removes face number `number`; the later faces move down one number. Nothing when there is no
// such face.
void DeleteFace(CSingleImage& model, int number);
// "" when every id names a point; otherwise the message that names the ids that do not
// ("Point 12 doesn't exist.", "Points 7 and 9 don't exist.").
std::string MissingPointsMessage(const CSingleImage& model, const int pointIds[4]);
// True when every corner id of face number `number` names an existing point.
bool FaceHasAllPoints(const CSingleImage& model, int number);
