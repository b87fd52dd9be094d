# nolvo_engine: the 2D scene-graph engine (scene graph, actions, GL rendering, text, input,
# widgets, application loop). Included from engine/CMakeLists.txt.
find_package(PkgConfig REQUIRED)
pkg_check_modules(NOLVO_ENGINE_DEPS REQUIRED IMPORTED_TARGET sdl2 SDL2_image glew libpng fontconfig freetype2 harfbuzz x11)
find_package(OpenGL REQUIRED)

add_library(nolvo_engine STATIC
  base/Ref.cpp
  base/Scheduler.cpp
  base/Types.cpp
  math/Mat4.cpp
  actions/Actions.cpp
  actions/ActionManager.cpp
  scene/Node.cpp
  scene/Scene.cpp
  scene/Layer.cpp
  scene/ClippingRectangleNode.cpp
  scene/Sprite.cpp
  scene/DrawNode.cpp
  text/FontCache.cpp
  text/Label.cpp
  text/GlyphAtlas.cpp
  renderer/Renderer.cpp
  renderer/GLProgram.cpp
  renderer/GLProgramCache.cpp
  renderer/GLProgramState.cpp
  renderer/Texture2D.cpp
  renderer/TextureCache.cpp
  renderer/PngFile.cpp
  renderer/CaptureScreen.cpp
  input/Touch.cpp
  input/EventListener.cpp
  input/EventDispatcher.cpp
  app/Director.cpp
  app/GLView.cpp
  app/GLViewImpl.cpp
  app/DisplayScale.cpp
  app/KeyMap.cpp
  app/Application.cpp
  ui/Widget.cpp
  ui/Button.cpp
  ui/ImageView.cpp
  ui/Scale9Sprite.cpp
  ui/ScrollView.cpp
  extension/TableView.cpp
  ui/LayoutParameter.cpp
  ui/Layout.cpp
  ui/Text.cpp
  ui/Slider.cpp
  ui/LoadingBar.cpp
)
target_include_directories(nolvo_engine PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(nolvo_engine
  PUBLIC nolvo_platform PkgConfig::NOLVO_ENGINE_DEPS OpenGL::GL
  PRIVATE nolvo_warnings)
