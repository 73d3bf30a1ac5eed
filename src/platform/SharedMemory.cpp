#include "platform/SharedMemory.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Application.h"
#include "platform/Window.h"

// The block starts with the creator's process id; the caller's bytes follow.
class NamedMapping {
public:
    std::string name;
    int fd = -1;
    size_t size = 0;
    bool creator = false;
};

namespace {

constexpr size_t kOwnerBytes = sizeof(pid_t);

std::string ShmName(const std::string& name) { return "/" + name; }

bool OwnerAlive(int fd)
{
    pid_t owner = 0;
    if (pread(fd, &owner, sizeof owner, 0) != ssize_t(sizeof owner) || owner <= 0)
        return false;
    return kill(owner, 0) == 0 || errno == EPERM;
}

QString ActivationServerName(DWORD identity) { return QString("kvx-activate-%1").arg(identity); }

QWidget* LastActivePopup(QWidget* main)
{
    QWidget* active = QApplication::activeModalWidget();
    if (active != nullptr && active != main)
        return active;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top != main && top->isVisible() && top->parentWidget() == main)
            return top;
    }
    return main;
}

void BringMainWindowToFront()
{
    CWinApp* app = AfxGetApp();
    if (app == nullptr || app->m_pMainWnd == nullptr || app->m_pMainWnd->GetSafeHwnd() == nullptr)
        return;
    QWidget* main = app->m_pMainWnd->GetSafeHwnd();
    if (main->isMinimized())
        main->showNormal();
    QWidget* popup = LastActivePopup(main);
    popup->raise();
    popup->activateWindow();
}

}  // namespace

HMAPPING OpenFileMapping(const std::string& name)
{
    int fd = shm_open(ShmName(name).c_str(), O_RDWR, 0600);
    if (fd < 0)
        return nullptr;
    if (!OwnerAlive(fd)) {
        close(fd);
        shm_unlink(ShmName(name).c_str());
        return nullptr;
    }
    struct stat info{};
    fstat(fd, &info);
    auto* mapping = new NamedMapping{name, fd, size_t(info.st_size) - kOwnerBytes, false};
    return mapping;
}

HMAPPING CreateFileMapping(const std::string& name, size_t size)
{
    int fd = shm_open(ShmName(name).c_str(), O_RDWR | O_CREAT, 0600);
    if (fd < 0)
        return nullptr;
    pid_t self = getpid();
    if (ftruncate(fd, off_t(kOwnerBytes + size)) != 0 || pwrite(fd, &self, sizeof self, 0) != ssize_t(sizeof self)) {
        close(fd);
        return nullptr;
    }
    return new NamedMapping{name, fd, size, true};
}

void* MapViewOfFile(HMAPPING mapping)
{
    if (mapping == nullptr || mapping->size == 0)
        return nullptr;
    void* base = mmap(nullptr, kOwnerBytes + mapping->size, PROT_READ | PROT_WRITE, MAP_SHARED, mapping->fd, 0);
    if (base == MAP_FAILED)
        return nullptr;
    return static_cast<char*>(base) + kOwnerBytes;
}

void UnmapViewOfFile(HMAPPING mapping, void* view)
{
    if (mapping != nullptr && view != nullptr)
        munmap(static_cast<char*>(view) - kOwnerBytes, kOwnerBytes + mapping->size);
}

void CloseHandle(HMAPPING mapping)
{
    if (mapping == nullptr)
        return;
    close(mapping->fd);
    if (mapping->creator)
        shm_unlink(ShmName(mapping->name).c_str());
    delete mapping;
}

DWORD WindowIdentity(CWnd* window)
{
    if (window == nullptr || window->GetSafeHwnd() == nullptr)
        return 0;
    return DWORD(getpid());
}

bool BringWindowToFront(DWORD identity)
{
    if (identity == 0)
        return false;
    QLocalSocket socket;
    socket.connectToServer(ActivationServerName(identity));
    if (!socket.waitForConnected(1000))
        return false;
    socket.write("activate\n");
    bool written = socket.waitForBytesWritten(1000);
    // Wait for the answer so the window is in front before this process ends.
    socket.waitForReadyRead(1000);
    return written;
}

void ListenForActivation()
{
    static QLocalServer* server = nullptr;
    if (server != nullptr)
        return;
    const QString name = ActivationServerName(DWORD(getpid()));
    QLocalServer::removeServer(name);
    server = new QLocalServer(QCoreApplication::instance());
    if (!server->listen(name))
        return;
    QObject::connect(server, &QLocalServer::newConnection, [] {
        while (QLocalSocket* client = server->nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::readyRead, client, [client] {
                client->readAll();
                BringMainWindowToFront();
                client->write("done\n");
                client->flush();
                client->disconnectFromServer();
            });
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        }
    });
}
