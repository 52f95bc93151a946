// The implemented exports, called by the extern "C" entry points under the
// floating-point guard.
#pragma once

#include "Core.h"

namespace plumo::impl {

int64_t Init(const InitParams* params);
void Free();
void Act();
int64_t Pad(int64_t pad, int64_t button);
Texture* LoadTex(const String* fileName);
void DrawTex(Texture* texture, double srcX, double srcY, double srcW, double srcH, double dstX,
             double dstY, double dstW, double dstH, double red, double green, double blue,
             double alpha);
void DrawTexRot(Texture* texture, double srcX, double srcY, double srcW, double srcH, double dstX,
                double dstY, double dstW, double dstH, double centreX, double centreY, double angle,
                double red, double green, double blue, double alpha);
int64_t Rnd(int64_t min, int64_t max);

void* AllocMem(int64_t size);
void FreeMem(void* block);
String* IToS(int64_t value);

}  // namespace plumo::impl
