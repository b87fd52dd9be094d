#include "app/AppDelegate.h"

#include "accessory/AccessoryCommunication.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "app/AccessoryLinkControl.h"
#include "accessory/LinkRecorder.h"
#include "accessory/RecordingReader.h"
#include "app/CommandLine.h"
#include "app/FieldControls.h"
#include "app/KeyboardShortcuts.h"
#include "app/RunStats.h"
#include "app/MainScene.h"
#include "display/PowerUIAndTouchLayer.h"
#include "engine/app/Director.h"
#include "engine/app/GLViewImpl.h"
#include "menus/MenuController.h"
#include "menus/ScreenLog.h"
#include "model/DataLogFile.h"
#include "model/DataLogger.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "platform/Device.h"
#include "platform/FileUtils.h"
#include "platform/UserDefault.h"

namespace nolvo {

using namespace engine;

AppDelegate::AppDelegate() = default;

AppDelegate::~AppDelegate()
{
    shutdown();
}

void AppDelegate::initGLContextAttrs()
{
    GLContextAttrs attrs;
    attrs.redBits = 8;
    attrs.greenBits = 8;
    attrs.blueBits = 8;
    attrs.alphaBits = 8;
    attrs.depthBits = 24;
    attrs.stencilBits = 8;
    GLView::setGLContextAttrs(attrs);
}

bool AppDelegate::applicationDidFinishLaunching()
{
    Device::setKeepScreenOn(true);
    runstats::install();

    DataModel* model = DataModel::getInstance();
    model->loadConfiguration(0);

    Director* director = Director::getInstance();
    if (!director->getOpenGLView()) {
        GLViewImpl* view = GLViewImpl::createWithRect("Nolvo", Rect(0, 0, 960, 640), 1.0f);
        if (!view) {
            std::fprintf(stderr, "nolvo: cannot open the window: %s\n", GLViewImpl::getLastError().c_str());
            return false;
        }
        director->setOpenGLView(view);
    }
    setAnimationInterval(1.0f / 60.0f);
    director->setClearColor(13 / 255.0f, 16 / 255.0f, 22 / 255.0f, 1.0f);
    model->displaySizeClass.store(3);
    FileUtils::getInstance()->setSearchPaths({"res/desktop/sd", "res", ""});

    m_scene = MainScene::create();
    if (!m_scene) return false;

    m_screenLog = ScreenLog::create();
    if (m_screenLog) {
        m_screenLog->retain();
        m_screenLog->setLevelMask(kScreenLogMask);
        m_screenLog->setTimeoutMs(kScreenLogTimeoutMs);
        m_screenLog->setContentSize(director->getVisibleSize());
        m_screenLog->setPosition(director->getVisibleOrigin());
        m_scene->addChild(m_screenLog, kScreenLogZOrder);
        model->setLogSink(m_screenLog);
    }
    // A settings file that could not be read whole was said on stderr when slot 0 was loaded;
    // the user hears it once on screen too.
    const std::string storeProblem = UserDefault::getInstance()->takeLoadProblem();
    if (!storeProblem.empty()) {
        model->logLine(kSettingsLogLevel, "Settings: " + storeProblem);
    }

    director->runWithScene(m_scene);

    if (m_beforeLink) m_beforeLink();
    if (m_startLink) {
        m_link = std::make_unique<AccessoryCommunication>();
        m_delegate = std::make_unique<AccessoryCommunicationDelegate>(*model);
        m_dataLogger = std::make_unique<DataLogger>(*model, *DataLogFile::getInstance());
        m_delegate->setDataLogger(m_dataLogger.get());
        m_delegate->bind(*m_link);
        m_linkControl = std::make_unique<AccessoryLinkControl>(*m_delegate);
        MenuController::getInstance()->setLinkControl(m_linkControl.get());
        // Trigger changes made on the power view are sent to the accessory with its settings.
        AccessoryCommunicationDelegate* delegate = m_delegate.get();
        PowerUIAndTouchLayer::setReconfigureRequest([delegate] { delegate->requestRestart(false); });
        KeyboardShortcuts::setReconfigureRequest([delegate](bool clear) { delegate->requestRestart(clear); });
        m_recorder = std::make_unique<LinkRecorder>(model);
        m_link->setRecorder(m_recorder.get());
        if (m_replay) {
            // The replay wins over an attached accessory while it runs.
            m_link->suspended.store(true);
            m_delegate->replay().start(m_replay);
        }
        m_fieldControls = FieldControls::create(*m_link, *m_delegate, *m_recorder, *model, CommandLine::versionText());
        if (m_fieldControls) m_scene->addChild(m_fieldControls, FieldControls::kZOrder);
        if (!m_link->start()) std::fprintf(stderr, "nolvo: cannot start the accessory link\n");
    }
    return true;
}

void AppDelegate::applicationDidEnterBackground()
{
    Director::getInstance()->stopAnimation();
    DataModel* model = DataModel::getInstance();
    {
        ModelLock lock(*model, kAllModelLocks);
        // A running replay's recorded settings are not the user's: those are saved instead.
        if (m_delegate) {
            m_delegate->saveConfiguration(0);
        } else {
            model->saveConfiguration(0);
        }
    }
    ++m_backgroundSaves;
    if (m_link && model->accessoryConnected.load()) m_link->suspended.store(true);
    model->inBackground.store(true);
}

void AppDelegate::applicationWillEnterForeground()
{
    Director::getInstance()->startAnimation();
    // A replay keeps the accessory away until it ends.
    if (m_link) m_link->suspended.store(m_delegate && m_delegate->replay().active());
    DataModel::getInstance()->inBackground.store(false);
}

void AppDelegate::shutdown()
{
    if (m_shutDown) return;
    m_shutDown = true;
    // The link first: it reports the accessory gone (the delegate closes the data log) and
    // releases it; then the worker, which may still be playing the demo.
    if (MenuController::getInstance()->linkControl() == m_linkControl.get()) {
        MenuController::getInstance()->setLinkControl(nullptr);
    }
    PowerUIAndTouchLayer::setReconfigureRequest(nullptr);
    KeyboardShortcuts::setReconfigureRequest(nullptr);
    if (m_link) m_link->stop();
    if (m_recorder) m_recorder->stop();
    if (m_delegate) m_delegate->stop();
    if (m_dataLogger) m_dataLogger->closeLog();
    DataModel* model = DataModel::getInstance();
    model->setLogSink(nullptr);
    if (m_screenLog) {
        m_screenLog->release();
        m_screenLog = nullptr;
    }
    m_scene = nullptr;
    m_fieldControls = nullptr;
}

} // namespace nolvo
