#include "endrequests.h"

#include "platform.h"

#include <QSocketNotifier>
#include <QWidget>

void CloseOnEndRequests(QWidget& window) {
    const int descriptor = pf::platform::EndRequestDescriptor();
    if (descriptor < 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        pf::platform::TakeEndRequests();
        window.close();
    });
}
