// Notifications posted from the I/O worker arrive as Qt events on the owner's thread, in order.
#include "link/Notifier.h"
#include "link/QtNotifier.h"
#include "support/CollectingNotifier.h"

#include <QtTest>

#include <thread>
#include <vector>

class TestQtNotifier : public QObject {
    Q_OBJECT

private slots:
    void deliversInOrderOnOwnerThread();
    void ignoresNumbersOutsideTheMessageRange();
    void dropsWhatWaitsWhenDestroyed();
};

void TestQtNotifier::deliversInOrderOnOwnerThread() {
    std::vector<Notification> got;
    bool allOnOwner = true;
    const QThread* owner = QThread::currentThread();
    CQtNotifier notifier([&](int message, std::intptr_t w, std::intptr_t l) {
        allOnOwner = allOnOwner && QThread::currentThread() == owner;
        got.push_back({message, w, l});
    });

    constexpr int kPosts = 500;
    std::thread worker([&] {
        for (int i = 0; i < kPosts; ++i)
            notifier.Post(i % 2 ? UM_TRANSFER_PROGRESS : UM_DEVICE_VOLUME, i, -i);
    });
    worker.join();
    QVERIFY(got.empty()); // nothing is delivered inside Post
    QTRY_COMPARE_WITH_TIMEOUT(static_cast<int>(got.size()), kPosts, 10000);
    QVERIFY(allOnOwner);
    for (int i = 0; i < kPosts; ++i) {
        const Notification expected{i % 2 ? UM_TRANSFER_PROGRESS : UM_DEVICE_VOLUME, i, -i};
        QCOMPARE(got[static_cast<std::size_t>(i)], expected);
    }
}

void TestQtNotifier::ignoresNumbersOutsideTheMessageRange() {
    int calls = 0;
    CQtNotifier notifier([&](int, std::intptr_t, std::intptr_t) { ++calls; });
    notifier.Post(12, 0, 0);    // a system event number
    notifier.Post(70000, 0, 0); // beyond the user range
    notifier.Post(UM_LINK_LOST, 0, 0);
    QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 10000);
    QCoreApplication::processEvents();
    QCOMPARE(calls, 1);
}

void TestQtNotifier::dropsWhatWaitsWhenDestroyed() {
    int calls = 0;
    auto notifier = std::make_unique<CQtNotifier>([&](int, std::intptr_t, std::intptr_t) { ++calls; });
    notifier->Post(UM_TRANSFER_DONE, 0, 0);
    notifier.reset();
    QCoreApplication::processEvents();
    QCOMPARE(calls, 0);
}

QTEST_GUILESS_MAIN(TestQtNotifier)
#include "tst_QtNotifier.moc"
