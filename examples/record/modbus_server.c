/*
 * Small Modbus/TCP server used to record examples/example.pcap.
 *
 * It serves a single client connection with libmodbus' stock request
 * handling (modbus_receive + modbus_reply) and exits once the client has
 * closed the connection.  The register map is filled with recognisable
 * values so that decoded captures are easy to check by eye.
 *
 * usage: modbus_server <listen-address> <port> <unit-id>
 */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <modbus.h>

#define NB_BITS            32
#define NB_INPUT_BITS      32
#define NB_REGISTERS       16
#define NB_INPUT_REGISTERS 16

static void fill_mapping(modbus_mapping_t *mb)
{
    int i;

    /* coils: 1,0,1,1,0,0,1,0 repeated (0x4D per byte, LSB first) */
    for (i = 0; i < NB_BITS; i++)
        mb->tab_bits[i] = (0x4D >> (i % 8)) & 1;

    /* discrete inputs: every third input set */
    for (i = 0; i < NB_INPUT_BITS; i++)
        mb->tab_input_bits[i] = (i % 3 == 0);

    /* holding registers: 0x000A, 0x0102, 0x0204, ... */
    mb->tab_registers[0] = 0x000A;
    for (i = 1; i < NB_REGISTERS; i++)
        mb->tab_registers[i] = (uint16_t)((i << 8) | (i * 2));

    /* input registers: 0x1000, 0x1111, 0x1222, ... */
    for (i = 0; i < NB_INPUT_REGISTERS; i++)
        mb->tab_input_registers[i] = (uint16_t)(0x1000 + i * 0x111);
}

int main(int argc, char **argv)
{
    const char *addr = argc > 1 ? argv[1] : "127.0.0.1";
    int port = argc > 2 ? atoi(argv[2]) : 502;
    int unit = argc > 3 ? atoi(argv[3]) : 1;
    uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
    modbus_mapping_t *mb;
    modbus_t *ctx;
    int listen_fd;
    int served = 0;
    int rc;

    /* never hang around if the client goes missing */
    alarm(30);

    ctx = modbus_new_tcp(addr, port);
    if (ctx == NULL) {
        fprintf(stderr, "server: modbus_new_tcp: %s\n", modbus_strerror(errno));
        return 1;
    }
    modbus_set_slave(ctx, unit);
    modbus_set_indication_timeout(ctx, 10, 0);
    /* modbus_reply() waits one response timeout before answering an unknown
     * function (to flush whatever follows); keep that wait short */
    modbus_set_response_timeout(ctx, 0, 100000);

    mb = modbus_mapping_new(NB_BITS, NB_INPUT_BITS, NB_REGISTERS, NB_INPUT_REGISTERS);
    if (mb == NULL) {
        fprintf(stderr, "server: modbus_mapping_new: %s\n", modbus_strerror(errno));
        modbus_free(ctx);
        return 1;
    }
    fill_mapping(mb);

    listen_fd = modbus_tcp_listen(ctx, 1);
    if (listen_fd == -1) {
        fprintf(stderr, "server: listen on %s:%d: %s\n", addr, port, modbus_strerror(errno));
        modbus_mapping_free(mb);
        modbus_free(ctx);
        return 1;
    }
    fprintf(stderr, "server: listening on %s:%d (unit %d)\n", addr, port, unit);

    if (modbus_tcp_accept(ctx, &listen_fd) == -1) {
        fprintf(stderr, "server: accept: %s\n", modbus_strerror(errno));
        close(listen_fd);
        modbus_mapping_free(mb);
        modbus_free(ctx);
        return 1;
    }
    /* one client only */
    close(listen_fd);

    for (;;) {
        rc = modbus_receive(ctx, query);
        if (rc > 0) {
            /* unknown functions are answered with ILLEGAL FUNCTION,
             * out-of-range addresses with ILLEGAL DATA ADDRESS */
            if (modbus_reply(ctx, query, rc, mb) == -1)
                fprintf(stderr, "server: reply: %s\n", modbus_strerror(errno));
            served++;
        } else if (rc == 0) {
            /* indication for another unit, ignored */
            continue;
        } else {
            /* connection closed by the client (or timeout) */
            break;
        }
    }

    fprintf(stderr, "server: client gone after %d requests\n", served);
    modbus_close(ctx);
    modbus_mapping_free(mb);
    modbus_free(ctx);
    return 0;
}
