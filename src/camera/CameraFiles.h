#pragma once
// The calibrated camera in other tools' files: an fSpy project and a COLMAP text model.
//
// fSpy project: "fspy", then little-endian uint32 version 1, the state JSON's size and the
// image's size, then the state JSON and the image bytes. Its camera parameters use image-plane
// coordinates: the longer side of the photograph spans −1 … 1, y upwards, origin at the centre;
// the relative focal length is f in those units. The view transform maps world to camera (the
// camera looks along −z, y up); the camera transform is its inverse, the camera's placement in
// the world (X, Y on the ground, Z up).
//
// COLMAP text model: cameras.txt (one PINHOLE camera: fx, fy, cx, cy in pixels from the top-left
// corner of the photograph, y downwards), images.txt (the pose as the world-to-camera quaternion
// QW QX QY QZ and translation, x right, y down, z forward, then the measured points' image
// positions), points3D.txt (each measured point with its colour in the photograph and its
// reprojection error). Point3D ids are the points' places in m_Points plus 1, so that points
// sharing an id (possible after loading a data file) stay apart.

#include "camera/Calibration.h"

#include <string>
#include <vector>

class CSingleImage;

// `image` may be empty (fSpy then opens without a photograph); `distanceUnit` is one of fSpy's
// names ("No unit", "Millimeters", "Centimeters", "Meters", "Kilometers", "Inches", "Feet", "Miles").
std::string MakeFspyProject(const CCameraCalibration& camera, const std::vector<unsigned char>& image,
                            const std::string& distanceUnit = "No unit");

struct CColmapModel {
  std::string cameras, images, points3D;
};

// `imageName` is the photograph's file name as the reconstruction's image folder will hold it.
CColmapModel MakeColmapModel(const CSingleImage& model, const CCameraCalibration& camera, const std::string& imageName);
