// Thumbnails for the gallery list: each part's GLB drawn by one shared off-screen renderer when its row
// scrolls into view, the picture kept as an image. A part without a GLB, or a browser without WebGL,
// keeps the empty frame.
import * as THREE from 'three';
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';

const WIDTH = 192;
const HEIGHT = 144;
let renderer = null;
let queue = Promise.resolve(); // one thumbnail at a time through the shared renderer

function sharedRenderer() {
  if (!renderer) {
    renderer = new THREE.WebGLRenderer({ antialias: true, preserveDrawingBuffer: true });
    renderer.setSize(WIDTH, HEIGHT, false);
    renderer.setClearColor(0xeef0f3);
  }
  return renderer;
}

async function draw(url) {
  const gltf = await new GLTFLoader().loadAsync(url);
  const scene = new THREE.Scene();
  scene.add(new THREE.HemisphereLight(0xffffff, 0x667080, 1.8));
  const light = new THREE.DirectionalLight(0xffffff, 1.4);
  light.position.set(0.5, 1, 0.8);
  scene.add(light);
  gltf.scene.traverse((node) => {
    if (node.userData?.aspect === 'Insulation') node.visible = false;
  });
  scene.add(gltf.scene);
  scene.updateMatrixWorld(true);
  const box = new THREE.Box3();
  gltf.scene.traverse((node) => {
    if (!node.isMesh) return;
    for (let up = node; up; up = up.parent) if (!up.visible) return;
    box.union(new THREE.Box3().setFromObject(node));
  });
  if (box.isEmpty()) throw new Error('nothing to draw');
  const centre = box.getCenter(new THREE.Vector3());
  const size = box.getSize(new THREE.Vector3()).length();
  const camera = new THREE.PerspectiveCamera(35, WIDTH / HEIGHT, size / 100, size * 100);
  camera.position.copy(centre).add(new THREE.Vector3(0.9, 0.7, 1.1).multiplyScalar(size * 0.95));
  camera.lookAt(centre);
  const r = sharedRenderer();
  r.render(scene, camera);
  const picture = r.domElement.toDataURL('image/png');
  scene.traverse((node) => {
    node.geometry?.dispose?.();
    for (const material of [node.material].flat()) material?.dispose?.();
  });
  return picture;
}

// Watches the images; each gets its picture (data-glb names the GLB) once it comes into view.
export function watchThumbnails(images) {
  const observer = new IntersectionObserver((entries) => {
    for (const entry of entries) {
      if (!entry.isIntersecting) continue;
      const image = entry.target;
      observer.unobserve(image);
      queue = queue
        .then(() => draw(image.dataset.glb))
        .then((picture) => {
          image.src = picture;
          image.dataset.state = 'drawn';
        })
        .catch(() => (image.dataset.state = 'failed'));
    }
  }, { rootMargin: '200px' });
  for (const image of images) observer.observe(image);
}
