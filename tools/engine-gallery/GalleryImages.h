#pragma once
// The gallery's images, drawn in code and written as PNG files into a directory of their own,
// so the gallery needs no image resources.

#include <string>

namespace gallery {

class GalleryImages {
public:
    // Writes the images into a new temporary directory; false when it cannot.
    bool create();
    // Removes the files and the directory.
    ~GalleryImages();

    std::string path(const char* name) const { return m_dir + "/" + name; }

private:
    std::string m_dir;
};

} // namespace gallery
