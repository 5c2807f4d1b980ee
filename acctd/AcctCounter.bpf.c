// The accounting helper's eBPF program, in two variants, attached to the
// cgroup v2 root for both directions: it adds each packet's length to its
// (cgroup, link, direction) entry and lets every packet through. It reads
// nothing of a packet's contents, only the metadata the kernel keeps beside it.
//
// The hook sees a packet at the network layer: skb->len is the IP header and
// everything after it (a UDP datagram of N payload bytes over IPv4 counts
// N + 28), without the link header. A packet the stack segments later (TCP
// with segmentation offload) passes once, as one large packet.

// The helpers' declarations use the kernel's types: linux/bpf.h comes first.
// clang-format off
#include <linux/bpf.h>
#include <bpf/bpf_helpers.h>
// clang-format on

// The layout shared with BpfCounter.h: keep both in step.
struct acct_key {
    __u64 cgroup_id;  // 0 for a packet of no full socket
    __u32 ifindex;
    __u32 direction;  // 0 received, 1 sent
};

struct acct_value {
    __u64 bytes;
    __u64 packets;
};

// Per CPU, so that no add is contended between CPUs; the reader sums them.
// When full, new keys are not counted (the update fails), and existing ones
// go on.
struct {
    __uint(type, BPF_MAP_TYPE_PERCPU_HASH);
    __uint(max_entries, 65536);
    __type(key, struct acct_key);
    __type(value, struct acct_value);
} acct_counts SEC(".maps");

// The cookie of the helper's own network namespace, set before loading. An
// ifindex names a link only within its namespace: packets of sockets in
// other namespaces (containers) would otherwise count to whichever of the
// helper's links has the same number.
const volatile __u64 own_netns_cookie = 0;

static __always_inline void count(struct __sk_buff* skb, __u32 direction) {
    struct acct_key key = {
        .cgroup_id = bpf_skb_cgroup_id(skb),
        .ifindex = skb->ifindex,
        .direction = direction,
    };
    struct acct_value* value = bpf_map_lookup_elem(&acct_counts, &key);
    if (!value) {
        // A new key. Should another CPU add it first, this update fails and
        // the lookup below finds this CPU's slot of that entry.
        struct acct_value zero = {0, 0};
        bpf_map_update_elem(&acct_counts, &key, &zero, BPF_NOEXIST);
        value = bpf_map_lookup_elem(&acct_counts, &key);
        if (!value) {
            return;  // the map is full
        }
    }
    // Atomic even on this CPU's own slot: a packet received in a softirq may
    // interrupt the program while it counts a packet sent.
    __sync_fetch_and_add(&value->bytes, skb->len);
    __sync_fetch_and_add(&value->packets, 1);
}

// Counting the sockets of the helper's namespace only, for kernels whose
// cgroup_skb programs may ask for the namespace (newer ones).
SEC("cgroup_skb/ingress")
int acct_ingress_own(struct __sk_buff* skb) {
    if (bpf_get_netns_cookie(skb) == own_netns_cookie) {
        count(skb, 0);
    }
    return 1;
}

SEC("cgroup_skb/egress")
int acct_egress_own(struct __sk_buff* skb) {
    if (bpf_get_netns_cookie(skb) == own_netns_cookie) {
        count(skb, 1);
    }
    return 1;
}

// Counting the sockets of every namespace, for older kernels.
SEC("cgroup_skb/ingress")
int acct_ingress(struct __sk_buff* skb) {
    count(skb, 0);
    return 1;
}

SEC("cgroup_skb/egress")
int acct_egress(struct __sk_buff* skb) {
    count(skb, 1);
    return 1;
}

char LICENSE[] SEC("license") = "GPL";
