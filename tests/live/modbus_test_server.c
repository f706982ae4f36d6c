/* A Modbus/TCP server for the live capture tests (libmodbus): 100 coils and 100 holding
 * registers, all 0 at the start. It serves one client until that client closes its connection,
 * then exits. Usage: modbus_test_server ADDRESS PORT */

#include <errno.h>
#include <modbus.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s ADDRESS PORT\n", argv[0]);
        return 2;
    }
    modbus_t* ctx = modbus_new_tcp(argv[1], atoi(argv[2]));
    modbus_mapping_t* mapping = modbus_mapping_new(100, 0, 100, 0);
    if (ctx == NULL || mapping == NULL) {
        fprintf(stderr, "server: %s\n", modbus_strerror(errno));
        return 1;
    }
    int listening = modbus_tcp_listen(ctx, 1);
    if (listening < 0) {
        fprintf(stderr, "server: listen: %s\n", modbus_strerror(errno));
        return 1;
    }
    printf("listening\n");
    fflush(stdout);
    if (modbus_tcp_accept(ctx, &listening) < 0) {
        fprintf(stderr, "server: accept: %s\n", modbus_strerror(errno));
        return 1;
    }
    uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
    for (;;) {
        int length = modbus_receive(ctx, query);
        if (length > 0) {
            modbus_reply(ctx, query, length, mapping); /* an address out of range: exception 2 */
        } else if (length < 0) {
            break; /* the client closed the connection */
        }
    }
    close(listening);
    modbus_mapping_free(mapping);
    modbus_close(ctx);
    modbus_free(ctx);
    return 0;
}
