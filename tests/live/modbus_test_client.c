/* A Modbus/TCP client for the live capture tests (libmodbus): sends a fixed script of requests
 * to unit 1 and checks every answer, so the test knows the exchange happened as written.
 * libmodbus numbers its requests 1, 2, 3 ... on a new connection.
 * Usage: modbus_test_client ADDRESS PORT */

#include <errno.h>
#include <modbus.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures = 0;

static void expect(int ok, const char* step) {
    if (!ok) {
        fprintf(stderr, "client: %s failed: %s\n", step, modbus_strerror(errno));
        ++failures;
    }
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s ADDRESS PORT\n", argv[0]);
        return 2;
    }
    modbus_t* ctx = modbus_new_tcp(argv[1], atoi(argv[2]));
    if (ctx == NULL || modbus_set_slave(ctx, 1) != 0 || modbus_connect(ctx) != 0) {
        fprintf(stderr, "client: connect: %s\n", modbus_strerror(errno));
        return 1;
    }
    uint16_t registers[8] = {0};
    uint8_t bits[8] = {0};
    const uint16_t block[3] = {1, 2, 3};
    const uint8_t pattern[4] = {1, 0, 1, 1};

    /* 1 */ expect(modbus_write_register(ctx, 10, 1234) == 1, "write register 10");
    /* 2 */ expect(modbus_read_registers(ctx, 10, 3, registers) == 3 && registers[0] == 1234 &&
                       registers[1] == 0 && registers[2] == 0,
                   "read registers 10-12");
    /* 3 */ expect(modbus_write_registers(ctx, 20, 3, block) == 3, "write registers 20-22");
    /* 4 */ expect(modbus_read_registers(ctx, 20, 3, registers) == 3 && registers[0] == 1 &&
                       registers[1] == 2 && registers[2] == 3,
                   "read registers 20-22");
    /* 5 */ expect(modbus_write_bit(ctx, 5, 1) == 1, "write coil 5");
    /* 6 */ expect(modbus_write_bits(ctx, 0, 4, pattern) == 4, "write coils 0-3");
    /* 7 */ expect(modbus_read_bits(ctx, 0, 8, bits) == 8 &&
                       memcmp(bits, (const uint8_t[8]){1, 0, 1, 1, 0, 1, 0, 0}, 8) == 0,
                   "read coils 0-7");
    /* 8: beyond the server's 100 registers: exception 2, illegal data address */
    errno = 0;
    expect(modbus_read_registers(ctx, 200, 2, registers) == -1 && errno == EMBXILADD,
           "read registers 200-201 (an exception)");

    modbus_close(ctx);
    modbus_free(ctx);
    return failures == 0 ? 0 : 1;
}
