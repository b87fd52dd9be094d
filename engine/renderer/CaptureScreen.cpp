#include "engine/renderer/CaptureScreen.h"

#include <cstring>

#include <GL/glew.h>

#include "engine/app/Director.h"
#include "engine/app/GLView.h"
#include "engine/renderer/PngFile.h"
#include "platform/FileUtils.h"

namespace engine::utils {

bool readBackBuffer(std::string* rgba, int* width, int* height)
{
    GLView* view = Director::getInstance()->getOpenGLView();
    if (!view || !view->isOpenGLReady()) return false;
    const int w = view->getDrawableWidth();
    const int h = view->getDrawableHeight();
    if (w <= 0 || h <= 0) return false;
    const std::size_t row = static_cast<std::size_t>(w) * 4;
    std::string bottomUp(row * static_cast<std::size_t>(h), '\0');
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    rgba->assign(bottomUp.size(), '\0');
    // GL rows start at the bottom; images start at the top.
    for (int y = 0; y < h; ++y) {
        std::memcpy(&(*rgba)[static_cast<std::size_t>(y) * row], &bottomUp[static_cast<std::size_t>(h - 1 - y) * row], row);
    }
    // The window has no use for alpha; a screenshot must not come out translucent.
    for (std::size_t i = 3; i < rgba->size(); i += 4) (*rgba)[i] = static_cast<char>(255);
    *width = w;
    *height = h;
    return true;
}

void captureScreen(const std::function<void(bool, const std::string&)>& afterCaptured, const std::string& filename)
{
    std::string path = filename;
    if (path.empty() || path.front() != '/') {
        path = FileUtils::getInstance()->getWritablePath() + filename;
    }
    Director::getInstance()->addAfterDrawCallback([afterCaptured, path]() {
        std::string pixels;
        int w = 0, h = 0;
        bool ok = readBackBuffer(&pixels, &w, &h) &&
                  PngFile::save(path, reinterpret_cast<const std::uint8_t*>(pixels.data()), w, h);
        if (afterCaptured) afterCaptured(ok, path);
    });
}

} // namespace engine::utils
