// The project's stand-in for the DevIL image library on Windows builds that
// have no DevIL: the image calls the show makes (ilInit, ilGenImages,
// ilBindImage, ilLoadImage) and the two the tests use to release images
// (ilDeleteImages, ilGetInteger), with DevIL's names, types and results.
// Decoding is stb_image's. See devil_standin.cpp for the behaviour.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned int ILenum;
typedef unsigned char ILboolean;
typedef unsigned int ILuint;
typedef int ILint;
typedef int ILsizei;
typedef char* ILstring;
typedef const char* ILconst_string;

#define IL_FALSE 0
#define IL_TRUE 1

// ilGetInteger: the name of the bound image.
#define IL_CUR_IMAGE 0x0DF7

// Prepares the library; call once before any other call.
void ilInit(void);

// Writes count new image names into images.
void ilGenImages(ILsizei count, ILuint* images);

// Makes image the one the following calls work on.
void ilBindImage(ILuint image);

// Releases the pictures of the named images (the tests' long runs load many
// images; the show keeps every image it loads). A deleted bound image leaves
// no image bound.
void ilDeleteImages(ILsizei count, const ILuint* images);

// IL_CUR_IMAGE: the bound image's name; 0 for anything else.
ILint ilGetInteger(ILenum mode);

// Decodes the file into the bound image. IL_FALSE when the file cannot be
// read or decoded; the image is then empty.
ILboolean ilLoadImage(ILconst_string fileName);

#ifdef __cplusplus
}
#endif
