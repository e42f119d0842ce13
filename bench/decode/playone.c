/* playone FILE [SECONDS]: plays one file through libvbmp3 to its end, or for SECONDS, and
 * exits. The smallest program that uses the library, for the benchmarks. */
#include "vbmp3.h"

#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t ended_cond = PTHREAD_COND_INITIALIZER;
static int ended;

static void on_event(int32_t event, int32_t value) {
    (void)value;
    if (event == VBMP3_EVENT_END) {
        pthread_mutex_lock(&lock);
        ended = 1;
        pthread_cond_signal(&ended_cond);
        pthread_mutex_unlock(&lock);
    }
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s FILE [SECONDS]\n", argv[0]);
        return 2;
    }
    vbmp3_init();
    if (!vbmp3_open(argv[1], NULL)) {
        fprintf(stderr, "%s: cannot open %s\n", argv[0], argv[1]);
        return 1;
    }
    vbmp3_callback(on_event);
    vbmp3_play();

    struct timespec until;
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_sec += argc > 2 ? atoi(argv[2]) : 24 * 3600;
    pthread_mutex_lock(&lock);
    while (!ended && pthread_cond_timedwait(&ended_cond, &lock, &until) == 0) {
    }
    pthread_mutex_unlock(&lock);

    vbmp3_close();
    vbmp3_free();
    return 0;
}
