#include "store/server_client.h"

#include "store/store_error.h"

#include <QLibrary>

ServerClient loadServerClient(const QString& name, int version) {
    // Stays loaded for the rest of the run: QLibrary's destructor does not unload.
    QLibrary library(name, version);
    if (!library.load())
        throw StoreError(QStringLiteral("无法载入数据库服务器的客户端库 libpq，不能打开数据库服务器上的账本。"
                                        "请安装 libpq5 软件包。\n（%1）")
                             .arg(library.errorString()));
    ServerClient client;
#define TOVRAKEL_SERVER_CLIENT_RESOLVE(function)                                                              \
    client.function = reinterpret_cast<decltype(client.function)>(library.resolve(#function));               \
    if (!client.function)                                                                                    \
        throw StoreError(QStringLiteral("数据库服务器的客户端库 libpq 太旧，缺少 %1。请更新 libpq5 软件包。") \
                             .arg(QLatin1String(#function)));
    TOVRAKEL_SERVER_CLIENT_FUNCTIONS(TOVRAKEL_SERVER_CLIENT_RESOLVE)
#undef TOVRAKEL_SERVER_CLIENT_RESOLVE
    return client;
}

const ServerClient& serverClient() {
    // A failed load throws out of the initialisation, so the next server ledger tries again.
    static const ServerClient client = loadServerClient(QStringLiteral("pq"), 5);
    return client;
}
