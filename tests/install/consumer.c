/* A program built against an installed Ferrolink, through pkg-config or find_package: it calls an
 * export that needs no model and checks its answer. */
#include <ferrolink/ferrolink.h>

#include <stdio.h>
#include <wchar.h>

int main(void) {
    wchar_t verifier[2048], challenge[2048], state[2048];
    if (CreateCodeChallenge(verifier, challenge, state) != 1 || wcslen(challenge) != 43 || wcslen(state) != 36) {
        fprintf(stderr, "CreateCodeChallenge gave no S256 challenge\n");
        return 1;
    }
    printf("built against Ferrolink: a challenge of %zu characters\n", wcslen(challenge));
    return 0;
}
