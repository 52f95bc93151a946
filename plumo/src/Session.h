// The session between Init and Free, and the exports that need one.
#pragma once

#include "Failures.h"

namespace plumo {

namespace impl {

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

}  // namespace impl
}  // namespace plumo
