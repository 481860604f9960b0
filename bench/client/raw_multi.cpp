#include "client/raw_multi.hpp"

#include <curl/curl.h>

#include <memory>
#include <vector>

namespace flk::bench {
namespace {

struct Transfer {
    CURL* easy = nullptr;
    std::string body;
};

size_t keep(char* data, size_t size, size_t count, void* transfer) {
    static_cast<Transfer*>(transfer)->body.append(data, size * count);
    return size * count;
}

CURL* start(const RequestMix& mix, int n, Transfer& t) {
    t.easy = curl_easy_init();
    bool post = n >= mix.gets;
    curl_easy_setopt(t.easy, CURLOPT_URL, post ? mix.postUrl.c_str() : mix.getUrl.c_str());
    curl_easy_setopt(t.easy, CURLOPT_WRITEFUNCTION, &keep);
    curl_easy_setopt(t.easy, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(t.easy, CURLOPT_PRIVATE, &t);
    if (post) {
        // The header lines the client's POSTs have: the content type of a body file of no known
        // kind, and no "Expect: 100-continue", which libcurl adds to a body given in memory and
        // which would wait a second for every POST on a server that does not answer it.
        static curl_slist* const kHeaders =
            curl_slist_append(curl_slist_append(nullptr, "Content-Type: application/octet-stream"), "Expect:");
        curl_easy_setopt(t.easy, CURLOPT_HTTPHEADER, kHeaders);
        curl_easy_setopt(t.easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(mix.postBody.size()));
        curl_easy_setopt(t.easy, CURLOPT_POSTFIELDS, mix.postBody.data());
    }
    return t.easy;
}

}  // namespace

int runRawMulti(const RequestMix& mix) {
    CURLM* multi = curl_multi_init();
    curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, long(mix.parallel));
    const int total = mix.gets + mix.posts;
    int next = 0, inFlight = 0, ok = 0;
    while (next < total || inFlight > 0) {
        for (; next < total && inFlight < mix.parallel; ++next, ++inFlight)
            curl_multi_add_handle(multi, start(mix, next, *new Transfer));
        int running = 0;
        curl_multi_perform(multi, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg != CURLMSG_DONE) continue;
            Transfer* t = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &t);
            long code = 0;
            curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &code);
            ok += code == 200;
            curl_multi_remove_handle(multi, t->easy);
            curl_easy_cleanup(t->easy);
            delete t;
            --inFlight;
        }
        if (running > 0) curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
    curl_multi_cleanup(multi);
    return ok;
}

}  // namespace flk::bench
